#pragma once

#include <QString>
#include <optional>

/// What a conference server answers to the dot-commands the program sends.
/// The server answers the sender alone, with a text that has no "CALL>" in
/// front ("K2XYZ muted.", "Error: no one is talking.", "No K2XYZ found.");
/// a wrong password, or a command that needs a log-on the server does not
/// know, gets no answer at all. Pure text rules: a command and a received
/// text in, what the text says about the command out.
namespace gavelry::channel {

/// What a text from the server says about one command.
enum class Reply {
    NotItsAnswer, ///< it answers some other command, or none
    Ok,           ///< carried out, or the listing asked for
    Refused,      ///< the server would not, and the text says why
};

/// What text (received without a sender; several lines joined by CR or LF)
/// says about command, as the program sent it.
Reply replyTo(const QString &command, const QString &text);

/// Whether command is a dot-command at all: the server takes a line as one
/// only when it begins with ".".
bool isCommand(const QString &line);
/// ".admin PASSWORD" or ".sysop PASSWORD".
bool isLogOn(const QString &command);
/// Commands the server carries out only for a station logged on as admin
/// or sysop; from any other it takes them in silence.
bool needsLogOn(const QString &command);
/// Commands whose answer is worded differently from server to server (the
/// muted list, the statistics, a connect, lurking): a server text that
/// answers no other command waiting is taken as theirs.
bool answerMayVary(const QString &command);
/// The text a ".quote" command carries, which the server hands back to a
/// logged-on sysop as the conference's own chat line; nullopt for any other
/// command.
std::optional<QString> quotedText(const QString &command);

/// An ".admins" answer ("Admins:", "CALL Name" lines, "Sysops:", more
/// lines): whether it lists call (any case) as an admin or a sysop. nullopt
/// when text is no such answer.
std::optional<bool> listsLoggedOn(const QString &text, const QString &call);

} // namespace gavelry::channel
