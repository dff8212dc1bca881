#include "channel/CommandChannel.h"

namespace gavelry::channel {

QString oneLine(const QString &line)
{
    QString out = line;
    // Control characters are C0 (NUL, CR, LF, VT, FF, the file, group and
    // record separators ...), DEL and C1 (NEL ...): several of them end a
    // line somewhere, and none belongs in a callsign or a command.
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029)
            c = u' ';
    }
    return out;
}

QString quotedNotice(const QString &hhmm, Marker marker, const QString &call, const QString &text)
{
    return quote(stamp(hhmm) + markerText(marker) + call + text);
}

QString quotedNoticeUnstamped(Marker marker, const QString &call, const QString &text)
{
    return quote(markerText(marker) + call + text);
}

QString plainNotice(bool timeStampAll, const QString &hhmm, Marker marker, const QString &call,
                    const QString &text)
{
    const QString notice = markerText(marker) + call + text;
    return timeStampAll ? stamp(hhmm) + notice : notice;
}

QString bareNotice(Marker marker, const QString &call, const QString &text)
{
    return markerText(marker) + call + text;
}

} // namespace gavelry::channel
