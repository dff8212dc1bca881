// The station information text: any text parses; the display text ends in
// CR LF and has no CR without its LF; a talker, when named, holds no line end.
#include "FuzzCheck.h"
#include "core/TalkerParser.h"

#include <QString>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto st = gavelry::talker::parseStationText(text);
    FUZZ_CHECK(st.display.endsWith(QLatin1String("\r\n")));
    for (qsizetype i = 0; i < st.display.size(); ++i)
        if (st.display.at(i) == QLatin1Char('\r'))
            FUZZ_CHECK(i + 1 < st.display.size() && st.display.at(i + 1) == QLatin1Char('\n'));
    FUZZ_CHECK(st.talker.has_value() == text.contains(QLatin1String("->")));
    (void)gavelry::talker::talkerOf(text);
    return 0;
}
