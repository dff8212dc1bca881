// The scenario language: any text parses or is refused with a line number
// inside the text and a message; durations and control names likewise.
#include "FuzzCheck.h"
#include "scenario/Scenario.h"

#include <QString>
#include <cstdint>

using namespace gavelry::scenario;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    ParseError error;
    const auto script = parse(text, error);
    if (!script) {
        FUZZ_CHECK(!error.what.isEmpty());
        FUZZ_CHECK(error.line >= 0 && error.line <= text.count(QLatin1Char('\n')) + 1);
    } else {
        // Every run ends: no statement, and no run, goes past the longest run.
        qint64 reached = 0;
        for (const Statement &s : script->statements) {
            FUZZ_CHECK(s.ms >= 0 && s.ms <= kLongestRunMs);
            const QString keyword = s.keyword();
            if (keyword == QLatin1String("at"))
                reached = s.ms;
            else if (keyword == QLatin1String("wait") || keyword == QLatin1String("restart"))
                reached += s.ms;
            FUZZ_CHECK(reached <= kLongestRunMs);
        }
    }
    const QString first = text.section(QLatin1Char('\n'), 0, 0);
    if (const auto ms = parseDuration(first))
        FUZZ_CHECK(*ms >= 0);
    QString why;
    if (!parseControlName(first, why))
        FUZZ_CHECK(!why.isEmpty());
    (void)quote(text);
    return 0;
}
