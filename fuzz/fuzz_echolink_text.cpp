// The EchoLink packet text: a classified text never yields an empty chat
// packet, one with LF or NUL, one with a CR at either end or two CRs in a row; an outgoing chat line never holds CR or LF
// and never ends in a blank.
#include "platform/echolink/EchoLinkText.h"
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
        FUZZ_CHECK(r.text.empty());
        break;
    case TextKind::Chat:
        FUZZ_CHECK(!r.text.empty());
        FUZZ_CHECK(r.text.find_first_of(std::string("\n\0", 2)) == std::string::npos);
        FUZZ_CHECK(r.text.front() != '\r' && r.text.back() != '\r');
        FUZZ_CHECK(r.text.find("\r\r") == std::string::npos);
        break;
    case TextKind::StationList:
        FUZZ_CHECK(r.text.find('\0') == std::string::npos);
        break;
    }
    const std::string out = outgoingChatLine(text);
    FUZZ_CHECK(out.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
    FUZZ_CHECK(out.empty() || out.back() != ' ');
    FUZZ_CHECK(out.size() <= text.size());
    return 0;
}
