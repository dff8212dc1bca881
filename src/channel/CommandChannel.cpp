#include "CommandChannel.h"

namespace gavelry::channel {

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
