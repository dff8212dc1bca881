#include "chat/ChatLine.h"

namespace gavelry::chat {

ChatLine splitChatLine(const QString &line)
{
    const qsizetype gt = line.indexOf(u'>');
    if (gt < 0)
        return {QString(), line};
    return {line.left(gt + 1), line.mid(gt + 1)};
}

DisplayLine displayLine(const QString &line, const QString &hhmm)
{
    ChatLine parts = splitChatLine(line);
    parts.message.replace(QStringLiteral("\r"), QStringLiteral("\r\n"));
    return {parts.sender, parts.message, stampIncoming(hhmm, parts.message)};
}

QString stampIncoming(const QString &hhmm, const QString &text)
{
    return QStringLiteral("(") + hhmm + QStringLiteral(") ") + text;
}

QString stampOutgoing(const QString &hhmm, const QString &text)
{
    return QStringLiteral("(") + hhmm + QStringLiteral(") >") + text;
}

bool containsJoined(QStringView text, QStringView head, QStringView tail)
{
    for (qsizetype at = text.indexOf(head); at >= 0; at = text.indexOf(head, at + 1)) {
        if (text.sliced(at + head.size()).startsWith(tail))
            return true;
    }
    return false;
}

} // namespace gavelry::chat
