// The DTMF matcher: the input is split into codes and one received sequence.
// Every action comes in the documented order, rows stay in range, at most
// one profile is switched, and a connect-node action carries what followed
// the prefix.
#include "moderation/DtmfMatcher.h"
#include "FuzzCheck.h"

#include <QStringList>
#include <cstdint>

using namespace gavelry::dtmf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString all = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList parts = all.split(QLatin1Char('\n'));
    const QString sequence = parts.value(0);
    int next = 1;
    auto code = [&] { return parts.value(next++); };
    Codes c;
    c.connectPrefix = code();
    c.stayConnectedToggle = code();
    for (auto &p : c.profiles) p = code();
    for (auto &p : c.mute) p = code();
    for (auto &p : c.unmute) p = code();
    c.unmuteAll = code();
    for (auto &p : c.disconnect) p = code();
    for (auto &p : c.connect) p = code();
    c.repeaterDisconnect = code();

    const QList<Action> actions = match(sequence, c);
    int lastKind = -1;
    int profiles = 0;
    for (const Action &a : actions) {
        FUZZ_CHECK(int(a.kind) >= lastKind);
        lastKind = int(a.kind);
        switch (a.kind) {
        case Kind::ConnectNode:
            FUZZ_CHECK(!c.connectPrefix.isEmpty() && sequence == c.connectPrefix + a.text);
            break;
        case Kind::SelectProfile:
            ++profiles;
            FUZZ_CHECK(a.row >= 0 && a.row < 4 && c.profiles[size_t(a.row)] == sequence);
            break;
        case Kind::Mute: case Kind::Unmute: case Kind::Disconnect: case Kind::Connect:
            FUZZ_CHECK(a.row >= 0 && a.row < 5);
            break;
        default:
            break;
        }
        (void)describe(a);
    }
    FUZZ_CHECK(profiles <= 1);
    if (profiles == 1) FUZZ_CHECK(actions.last().kind == Kind::SelectProfile);
    (void)isKeypadText(sequence);
    return 0;
}
