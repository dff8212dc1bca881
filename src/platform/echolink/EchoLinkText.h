#pragma once

// How text packets from the EchoLink network become the client's events and
// how a chat line is made safe to send. Plain C++ with no Qt header, so that
// the thread running the EchoLink library can use it directly.

#include <string>
#include <vector>

namespace gavelry::echolink {

enum class TextKind {
    Nothing,     ///< empty or only line ends: no event
    Chat,        ///< chat lines, each "CALL>text" or a server's reply line
    StationList, ///< the conference's station information
};

struct ReceivedText {
    TextKind kind = TextKind::Nothing;
    std::string text;               ///< the station list
    std::vector<std::string> lines; ///< the chat lines, none empty
};

/// Sorts a text the library handed on as chat (CR already turned into LF).
/// A text that starts with "CONF" or with a line end is the station list,
/// kept whole with its line ends; anything else is chat, one line for each
/// non-empty line in it (a conference server answers a command with several
/// lines in one packet). Everything from the first NUL on is ignored.
ReceivedText classifyReceivedText(const std::string &text);

/// A chat line as it may go out: every CR or LF becomes a space and trailing
/// blanks are dropped, so one call never sends more than one line.
std::string outgoingChatLine(const std::string &text);

} // namespace gavelry::echolink
