// The EchoLink packet text: a classified text never yields an empty chat line
// or one with a line end or NUL; an outgoing chat line never holds CR or LF
// and never ends in a blank.
#include "EchoLinkText.h"
#include "FuzzCheck.h"

#include <cstdint>
#include <string>

using namespace gavelry::echolink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const ReceivedText r = classifyReceivedText(text);
    switch (r.kind) {
    case TextKind::Nothing:
        FUZZ_CHECK(r.lines.empty() && r.text.empty());
        break;
    case TextKind::Chat:
        FUZZ_CHECK(!r.lines.empty());
        for (const std::string &line : r.lines) {
            FUZZ_CHECK(!line.empty());
            FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
        }
        break;
    case TextKind::StationList:
        FUZZ_CHECK(r.text.find('\0') == std::string::npos);
        break;
    }
    const std::string out = outgoingChatLine(text);
    FUZZ_CHECK(out.find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(out.empty() || out.back() != ' ');
    FUZZ_CHECK(out.size() <= text.size());
    return 0;
}
