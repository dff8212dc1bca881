#include "channel/ServerAnswers.h"

#include <QRegularExpression>
#include <QStringList>

namespace gavelry::channel {

namespace {

/// A command taken apart: ".verb word word ...", the verb as written.
struct Command {
    QString verb;
    QStringList words;

    QString word(qsizetype i) const { return i < words.size() ? words.at(i) : QString(); }
    bool is(QLatin1StringView v) const { return verb.compare(v, Qt::CaseInsensitive) == 0; }
    /// ".Mute" (capital M, nothing after it) lists the muted; any other
    /// spelling of "mute" mutes.
    bool listsMuted() const { return verb == QLatin1String("Mute"); }
};

Command parse(const QString &line)
{
    const QString text = line.trimmed();
    if (!text.startsWith(u'.'))
        return {};
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QStringList words = text.mid(1).split(blanks, Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    const QString verb = words.takeFirst();
    return {verb, words};
}

QStringList linesOf(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("[\r\n]+"));
    QStringList lines = text.split(breaks, Qt::SkipEmptyParts);
    for (QString &l : lines)
        l = l.trimmed();
    lines.removeAll(QString());
    return lines;
}

bool same(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

/// The first line is ok or refusal exactly (callsigns in any case).
Reply either(const QString &first, const QString &ok, const QString &refused)
{
    if (same(first, ok))
        return Reply::Ok;
    if (!refused.isEmpty() && same(first, refused))
        return Reply::Refused;
    return Reply::NotItsAnswer;
}

Reply mute(const Command &c, const QString &first)
{
    const QString arg = c.word(0);
    if (arg.isEmpty())
        return Reply::NotItsAnswer;
    if (arg == QLatin1String("."))
        return either(first, QStringLiteral("station talking muted."), QStringLiteral("Error: no one is talking."));
    return either(first, arg + QStringLiteral(" muted."), QStringLiteral("No ") + arg + QStringLiteral(" found."));
}

Reply unmute(const Command &c, const QString &first)
{
    const QString arg = c.word(0);
    if (arg == QLatin1String("-a"))
        return same(first, QStringLiteral("All stations unmuted.")) ? Reply::Ok : Reply::NotItsAnswer;
    if (arg.isEmpty())
        return Reply::NotItsAnswer;
    return either(first, arg + QStringLiteral(" unmuted."), QStringLiteral("No ") + arg + QStringLiteral(" found."));
}

Reply disconnect(const Command &c, const QString &first)
{
    const QString arg = c.word(0);
    if (arg.isEmpty())
        return Reply::NotItsAnswer;
    if (arg == QLatin1String(".")) {
        // Whoever was talking is named in the answer: "CALL disconnected".
        if (first.endsWith(QLatin1String(" disconnected")) && first.count(u' ') == 1)
            return Reply::Ok;
        return first.startsWith(QLatin1String("No one is talking"), Qt::CaseInsensitive) ? Reply::Refused
                                                                                         : Reply::NotItsAnswer;
    }
    if (same(first, QStringLiteral("No ") + arg + QStringLiteral(" found.")))
        return Reply::Refused;
    return either(first, arg + QStringLiteral(" disconnected"), arg + QStringLiteral(" not found"));
}

Reply ban(const Command &c, const QString &first)
{
    const QString sub = c.word(0);
    const QString call = c.word(1);
    if (same(sub, QStringLiteral("list")))
        return same(first, QStringLiteral("banned users:")) ? Reply::Ok : Reply::NotItsAnswer;
    if (call.isEmpty())
        return Reply::NotItsAnswer;
    if (same(sub, QStringLiteral("add")))
        return either(first, call + QStringLiteral(" banned"), QString());
    if (same(sub, QStringLiteral("delete")))
        return either(first, call + QStringLiteral(" removed from the banned list."),
                      call + QStringLiteral(" was not found on the banned list."));
    return Reply::NotItsAnswer;
}

Reply users(const Command &c, const QString &first)
{
    // "1. CALL FLAGS" for each station; ".users ?" may explain the letters first.
    static const QRegularExpression numbered(QStringLiteral("^\\d+\\. \\S"));
    if (numbered.match(first).hasMatch())
        return Reply::Ok;
    if (c.word(0) == QLatin1String("?") && first.startsWith(QLatin1String("Attributes"), Qt::CaseInsensitive))
        return Reply::Ok;
    return Reply::NotItsAnswer;
}

} // namespace

bool isCommand(const QString &line) { return line.startsWith(u'.'); }

bool isLogOn(const QString &command)
{
    const Command c = parse(command);
    return c.is(QLatin1StringView("admin")) || c.is(QLatin1StringView("sysop"));
}

bool needsLogOn(const QString &command)
{
    const Command c = parse(command);
    if (c.verb.isEmpty())
        return false;
    for (const char *verb : {"mute", "unmute", "disconnect", "disc", "ban", "connect", "lurk", "delurk", "quote"})
        if (c.is(QLatin1StringView(verb)))
            return true;
    return false;
}

bool answerMayVary(const QString &command)
{
    const Command c = parse(command);
    if (c.listsMuted() || (c.is(QLatin1StringView("unmute")) && c.word(0) == QLatin1String("-a")))
        return true;
    if (c.is(QLatin1StringView("users")) && c.word(0) == QLatin1String("?"))
        return true;
    for (const char *verb : {"connect", "stats", "lurk", "delurk"})
        if (c.is(QLatin1StringView(verb)))
            return true;
    return false;
}

std::optional<QString> quotedText(const QString &command)
{
    static const QLatin1String carrier(".quote ");
    if (!command.startsWith(carrier, Qt::CaseInsensitive))
        return std::nullopt;
    return command.mid(carrier.size());
}

Reply replyTo(const QString &command, const QString &text)
{
    const Command c = parse(command);
    const QStringList lines = linesOf(text);
    if (c.verb.isEmpty() || lines.isEmpty())
        return Reply::NotItsAnswer;
    const QString &first = lines.first();
    if (c.listsMuted())
        return first.startsWith(QLatin1String("muted users:"), Qt::CaseInsensitive)
                || same(first, QStringLiteral("No stations are muted."))
            ? Reply::Ok
            : Reply::NotItsAnswer;
    if (c.is(QLatin1StringView("admin")))
        return text.contains(QLatin1String("Your wish is my command")) ? Reply::Ok : Reply::NotItsAnswer;
    if (c.is(QLatin1StringView("sysop")))
        return text.contains(QLatin1String("By your command")) ? Reply::Ok : Reply::NotItsAnswer;
    if (c.is(QLatin1StringView("mute")))
        return mute(c, first);
    if (c.is(QLatin1StringView("unmute")))
        return unmute(c, first);
    if (c.is(QLatin1StringView("disconnect")) || c.is(QLatin1StringView("disc")))
        return disconnect(c, first);
    if (c.is(QLatin1StringView("ban")))
        return ban(c, first);
    if (c.is(QLatin1StringView("users")))
        return users(c, first);
    if (c.is(QLatin1StringView("admins")))
        return same(first, QStringLiteral("Admins:")) ? Reply::Ok : Reply::NotItsAnswer;
    if (c.is(QLatin1StringView("connect")))
        return same(first, QStringLiteral("Connecting to ") + c.word(0)) ? Reply::Ok : Reply::NotItsAnswer;
    if (c.is(QLatin1StringView("stats")))
        return first.startsWith(QLatin1String("Stations:"), Qt::CaseInsensitive) ? Reply::Ok : Reply::NotItsAnswer;
    if (c.is(QLatin1StringView("lurk")))
        return same(first, QStringLiteral("You are now lurking.")) ? Reply::Ok : Reply::NotItsAnswer;
    if (c.is(QLatin1StringView("delurk")))
        return same(first, QStringLiteral("You are no longer lurking.")) ? Reply::Ok : Reply::NotItsAnswer;
    return Reply::NotItsAnswer;
}

std::optional<bool> listsLoggedOn(const QString &text, const QString &call)
{
    const QStringList lines = linesOf(text);
    if (lines.isEmpty() || !same(lines.first(), QStringLiteral("Admins:")))
        return std::nullopt;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (same(lines.at(i), QStringLiteral("Sysops:")))
            continue;
        if (same(lines.at(i).section(u' ', 0, 0), call))
            return true;
    }
    return false;
}

} // namespace gavelry::channel
