#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace gavelry::chat {

/// Private messages travel as public chat: ":" + target + "~" + body. A
/// station recognises one addressed to it by a tag such as ":" + its call +
/// "~" anywhere but at the very start of the line.

/// ":" + call + "~": the tag that addresses call.
QString privateTag(const QString &call);

/// The wire form of a private message.
QString privateWireLine(const QString &target, const QString &body);

/// Whether line is private to us: the first occurrence of one of tags
/// starts after the line's first character. Empty tags are ignored.
bool isPrivateLine(const QString &line, const QStringList &tags);

/// The private log entry of a received private line, CR LF ended:
/// "Message From <- " + the line up to its first "~" with every
/// ownPrivateTag blanked, then the rest of the line.
QString receivedLogEntry(const QString &line, const QString &ownPrivateTag);

/// The private log entry of a message we send, CR LF ended.
QString sentLogEntry(const QString &target, const QString &hhmm, const QString &body);

/// The acknowledgement to send for a private line, or nothing when the line
/// ends in "~" (it is itself an acknowledgement; answering it would make two
/// stations acknowledge each other for ever).
///
/// The acknowledgement goes to the line's sender, the text before its first
/// ">" (when that comes before the first "~"). A line without a sender falls
/// back to what remains of its head (up to the first "~") once the local
/// callsign and ">:~" are taken out.
std::optional<QString> acknowledgement(const QString &line, const QString &localCall);

} // namespace gavelry::chat
