// The running timed slots' file, timedslots.json, as a damaged or
// hand-edited file may hold it. Properties: what is read is written back and
// read again unchanged, also by a program in another time zone (due times
// carry their offset), every record names a slot from 1 to 5 of the fitting
// kind, at most once, and no callsign holds a control character (it goes
// into a command the bot sends).
#include "FuzzCheck.h"
#include "enforcement/SlotState.h"

#include <QSet>
#include <cstdint>

using namespace gavelry;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList problems;
    const QList<SlotRecord> records = slotstate::parse(bytes, problems);
    QSet<int> seen;
    for (const SlotRecord &r : records) {
        FUZZ_CHECK(r.slot >= 1 && r.slot <= slotstate::kSlots);
        FUZZ_CHECK(r.kind == slotstate::kindOf(r.slot));
        FUZZ_CHECK(!seen.contains(r.slot));
        seen.insert(r.slot);
        for (QChar c : r.call)
            FUZZ_CHECK(c.category() != QChar::Other_Control);
        if (r.due)
            FUZZ_CHECK(r.due->isValid());
    }
    QStringList again;
    FUZZ_CHECK(slotstate::parse(slotstate::format(records), again) == records);
    FUZZ_CHECK(again.isEmpty());
    // Written where the clocks change, read where they do not, and back.
    static const QTimeZone berlin("Europe/Berlin");
    static const QTimeZone kolkata("Asia/Kolkata");
    FUZZ_CHECK(slotstate::parse(slotstate::format(records, berlin), again, kolkata) == records);
    FUZZ_CHECK(again.isEmpty());
    return 0;
}
