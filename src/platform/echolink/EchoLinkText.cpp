#include "platform/echolink/EchoLinkText.h"

#include <algorithm>
#include <string_view>

namespace gavelry::echolink {

namespace {

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

} // namespace

ReceivedText classifyReceivedText(const std::string &text)
{
    ReceivedText result;
    const std::string_view whole(text.data(), std::min(text.size(), text.find('\0')));
    if (whole.empty())
        return result;
    if (isLineEnd(whole.front()) || whole.substr(0, 4) == "CONF") {
        // Station lists carry their own layout; only CR is normalised.
        std::string list(whole);
        for (char &c : list)
            if (c == '\r')
                c = '\n';
        if (list.find_first_not_of('\n') == std::string::npos)
            return result;
        result.kind = TextKind::StationList;
        result.text = std::move(list);
        return result;
    }
    // Runs of line ends become one CR; none at either end.
    std::string chat;
    chat.reserve(whole.size());
    bool lineEnd = false;
    for (char c : whole) {
        if (isLineEnd(c)) {
            lineEnd = true;
            continue;
        }
        if (lineEnd && !chat.empty())
            chat += '\r';
        lineEnd = false;
        chat += c;
    }
    if (!chat.empty()) {
        result.kind = TextKind::Chat;
        result.text = std::move(chat);
    }
    return result;
}

std::string outgoingChatLine(const std::string &text)
{
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // The library ends the packet at the first NUL: one in the line
        // would cut it short. VT, FF and the file, group and record
        // separators end a line for some clients as CR and LF do.
        if (isLineEnd(c) || c == '\0' || c == '\v' || c == '\f' || (c >= '\x1c' && c <= '\x1e')) {
            line += ' ';
            continue;
        }
        // NEL, LINE SEPARATOR and PARAGRAPH SEPARATOR in UTF-8.
        const std::string_view rest(text.data() + i, text.size() - i);
        if (rest.substr(0, 2) == "\xC2\x85") {
            line += ' ';
            i += 1;
            continue;
        }
        if (rest.substr(0, 3) == "\xE2\x80\xA8" || rest.substr(0, 3) == "\xE2\x80\xA9") {
            line += ' ';
            i += 2;
            continue;
        }
        line += c;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

std::string cutToBytes(std::string text, std::size_t max)
{
    if (text.size() <= max)
        return text;
    std::size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
    return text;
}

} // namespace gavelry::echolink
