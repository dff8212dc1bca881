#include "CommandChannel.h"

namespace gavelry::channel {

QString oneLine(const QString &line)
{
    QString out = line;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u == u'\r' || u == u'\n' || u == 0 || u == 0x0085 || u == 0x2028 || u == 0x2029)
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
