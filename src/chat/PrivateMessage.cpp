#include "chat/PrivateMessage.h"

#include "channel/CommandChannel.h"

namespace gavelry::chat {

namespace {

const QString kTilde = QStringLiteral("~");

/// The line up to and including its first "~" (the whole line when it has none).
QString head(const QString &line)
{
    const qsizetype t = line.indexOf(kTilde);
    return t < 0 ? line : line.left(t + 1);
}

QString rest(const QString &line)
{
    const qsizetype t = line.indexOf(kTilde);
    return t < 0 ? QString() : line.mid(t + 1);
}

} // namespace

QString privateTag(const QString &call)
{
    return QStringLiteral(":") + call + kTilde;
}

QString privateWireLine(const QString &target, const QString &body)
{
    return privateTag(target) + body;
}

bool isPrivateLine(const QString &line, const QStringList &tags)
{
    for (const QString &tag : tags) {
        if (!tag.isEmpty() && line.indexOf(tag) > 0)
            return true;
    }
    return false;
}

QString receivedLogEntry(const QString &line, const QString &ownPrivateTag)
{
    QString from = head(line);
    if (!ownPrivateTag.isEmpty())
        from.replace(ownPrivateTag, QStringLiteral(" "));
    return QStringLiteral("Message From <- ") + from + rest(line) + QStringLiteral("\r\n");
}

QString sentLogEntry(const QString &target, const QString &hhmm, const QString &body)
{
    return QStringLiteral("Message Sent To -> ") + target + QStringLiteral(" ") + hhmm + QStringLiteral(" > ") + body
        + QStringLiteral("\r\n");
}

std::optional<QString> acknowledgement(const QString &line, const QString &localCall)
{
    if (line.endsWith(kTilde))
        return std::nullopt;
    const qsizetype gt = line.indexOf(u'>');
    const qsizetype tilde = line.indexOf(kTilde);
    QString target;
    if (gt >= 0 && gt < tilde) {
        target = line.left(gt);
    } else {
        target = head(line);
        if (!localCall.isEmpty())
            target.remove(localCall);
        target.remove(QStringLiteral(">:~"));
    }
    // The acknowledgement goes out as one chat line: a line break taken from
    // the received line could start a second line, a server command.
    return privateTag(channel::oneLine(target)) + QStringLiteral(" Message Received~");
}

} // namespace gavelry::chat
