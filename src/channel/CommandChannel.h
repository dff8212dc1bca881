#pragma once

#include <QString>

/// The lines the program sends to a conference server: the sysop dot-commands
/// and the notices that explain them to the stations. Pure text builders; the
/// sending itself is the window's send step.
namespace gavelry::channel {

// Dot-commands. The separating blank is part of the command; a callsign is
// passed on exactly as the caller gives it (also when it is empty).
inline QString muteTalking() { return QStringLiteral(".mute ."); }
inline QString muteTalkingPersistent() { return QStringLiteral(".mute . -p"); }
inline QString mute(const QString &call) { return QStringLiteral(".mute ") + call; }
inline QString mutePersistent(const QString &call) { return QStringLiteral(".mute ") + call + QStringLiteral(" -p"); }
inline QString unmute(const QString &call) { return QStringLiteral(".unmute ") + call; }
inline QString unmutePersistent(const QString &call) { return QStringLiteral(".unmute ") + call + QStringLiteral(" -p"); }
inline QString unmuteAll() { return QStringLiteral(".unmute -a"); }
/// Lists the muted stations; the capital M is what the server expects.
inline QString listMuted() { return QStringLiteral(".Mute"); }
inline QString disconnect(const QString &call) { return QStringLiteral(".disconnect ") + call; }
inline QString disconnectTalking() { return QStringLiteral(".disconnect ."); }
inline QString disc(const QString &call) { return QStringLiteral(".disc ") + call; }
inline QString banAdd(const QString &call) { return QStringLiteral(".ban add ") + call; }
inline QString banDelete(const QString &call) { return QStringLiteral(".ban delete ") + call; }
inline QString banList() { return QStringLiteral(".ban list"); }
inline QString connect(const QString &call) { return QStringLiteral(".connect ") + call; }
inline QString users() { return QStringLiteral(".users"); }
inline QString usersWithAttributes() { return QStringLiteral(".users ?"); }
inline QString admins() { return QStringLiteral(".admins"); }
inline QString adminLogOn(const QString &password) { return QStringLiteral(".admin ") + password; }
inline QString sysopLogOn(const QString &password) { return QStringLiteral(".sysop ") + password; }
inline QString stats() { return QStringLiteral(".stats"); }
inline QString lurk() { return QStringLiteral(".lurk"); }
inline QString delurk() { return QStringLiteral(".delurk"); }
inline QString quote(const QString &text) { return QStringLiteral(".quote ") + text; }

/// The line as one line: every line break (CR, LF, VT, FF, the file, group
/// and record separators, NEL and the Unicode line and paragraph separators)
/// becomes a blank, so a callsign read from a box or a file, or taken from
/// what a station sent, can never carry a second command to a server or
/// client that splits lines. So does every other control character (C0, DEL
/// and C1), NUL among them, which would end the line early wherever it is
/// handed on as a C string.
QString oneLine(const QString &line);

/// The marker that stands before the callsign of a notice.
enum class Marker { Mute, Unmute };
inline QString markerText(Marker m) { return m == Marker::Mute ? QStringLiteral("** ") : QStringLiteral("**** "); }

/// "(HH:MM) ".
inline QString stamp(const QString &hhmm) { return QStringLiteral("(") + hhmm + QStringLiteral(") "); }

/// The quoted form, always stamped: ".quote (HH:MM) " marker call text.
QString quotedNotice(const QString &hhmm, Marker marker, const QString &call, const QString &text);
/// The quoted form without a stamp: ".quote " marker call text.
QString quotedNoticeUnstamped(Marker marker, const QString &call, const QString &text);
/// The plain form: stamped when "Time Stamp All Messages" is ticked.
QString plainNotice(bool timeStampAll, const QString &hhmm, Marker marker, const QString &call,
                    const QString &text);
/// The bare form, never stamped.
QString bareNotice(Marker marker, const QString &call, const QString &text);

/// The notice texts (each begins with a blank and ends with its signature).
namespace notice {
inline const QString kTimeMutedContactAdmin = QStringLiteral(
    " ** You have been Time Muted from the server due to your link / link connected to you causing a problem. Contact the Admin to remove the Mute <<Admin Bot>>");
inline const QString kTimeMutedReconnect = QStringLiteral(
    " ** You have been Time Muted from the server due to your link / link connected to you causing a problem. When sorted disconnect and reconnect to remove the Mute <<Admin Bot>>");
inline const QString kTimedBan = QStringLiteral(
    " ** You have been Disconnected and Restricted from connecting to the Conference for a short time due to your link / link connected to you causing a problem. <<Admin Bot>>");
inline const QString kMutedBot = QStringLiteral(
    " ** You have been Muted from the server due to your link or a link connected to you causing a problem. When problem sorted disconnect and reconnect to remove the Mute. <<Admin Bot>>");
inline const QString kMutedAdmin = QStringLiteral(
    " ** You have been Muted from the server due to your link or a link connected to you causing a problem. When problem sorted disconnect and reconnect to remove the Mute. <<Admin>>");
inline const QString kMutedPersistentAdmin = QStringLiteral(
    " ** You have been Muted from the server due to your link or a link connected to you causing a problem. Contact the Admin to remove the Mute <<Admin>>");
inline const QString kUnmutedBot = QStringLiteral(" **** You have been UnMuted. <<Admin Bot>>");
inline const QString kUnmutedAdmin = QStringLiteral(" **** You have been UnMuted. <<Admin>>");
inline const QString kUnbannedBot = QStringLiteral(" **** Re-Connect Restriction has been removed. <<Admin Bot>>");
} // namespace notice

} // namespace gavelry::channel
