#pragma once

// How text packets from the EchoLink network become the client's events and
// how a chat line is made safe to send. Plain C++ with no Qt header, so that
// the thread running the EchoLink library can use it directly.

#include <cstddef>
#include <string>

namespace gavelry::echolink {

enum class TextKind {
    Nothing,     ///< empty or only line ends: no event
    Chat,        ///< a chat packet: "CALL>text", or a server's reply
    StationList, ///< the conference's station information
};

struct ReceivedText {
    TextKind kind = TextKind::Nothing;
    /// The station list with its line ends as LF, or the chat packet with
    /// its lines joined by one CR each and no line end at either end.
    std::string text;
};

/// Sorts a text the library handed on as chat (CR already turned into LF).
/// A text that starts with "CONF" or with a line end is the station list,
/// kept whole with its line ends. Anything else is one chat packet, handed
/// on whole: a conference server answers a command with several lines in
/// one packet, and the chat window shows such a reply as one entry (a
/// ".users" reply becomes the station box). Its lines are joined by a single
/// CR, the way the chat window expects them, and blank lines are dropped.
/// Everything from the first NUL on is ignored.
ReceivedText classifyReceivedText(const std::string &text);

/// A chat line as it may go out: every line break (CR, LF, VT, FF, the file,
/// group and record separators, and NEL, LINE SEPARATOR and PARAGRAPH
/// SEPARATOR in UTF-8) and every NUL becomes a space and trailing blanks are
/// dropped, so one call never sends more than one line.
std::string outgoingChatLine(const std::string &text);

/// text cut to at most max bytes, never inside a UTF-8 sequence: what the
/// station hands on of an oversized packet or message.
std::string cutToBytes(std::string text, std::size_t max);

} // namespace gavelry::echolink
