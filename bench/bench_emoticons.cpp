// Emoticon picture pass benchmark: lines of packed emoticon codes (every code
// of the display table, one after the other, over and over) of growing
// length, against the floor of one plain scan of the same line in the same
// run. Prints the cost per line and per kilobyte; a pass linear in the
// line's length keeps the cost per kilobyte flat as the line grows (target:
// the 400 kB line costs at most 2 times per kilobyte what the 25 kB line
// does). The last row is the whole receive handler for the longest line.

#include "chat/ChatController.h"
#include "platform/Dialogs.h"
#include "chat/Emoticons.h"
#include "app/Program.h"
#include "platform/Shell.h"
#include "platform/sim/SimClient.h"
#include "platform/VirtualScheduler.h"

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace gavelry;

namespace {

qint64 threadNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

/// Milliseconds of CPU for one call of work, best of rounds.
double bestMs(int rounds, const std::function<void()> &work)
{
    double best = 1e18;
    for (int r = 0; r < rounds; ++r) {
        const qint64 start = threadNs();
        work();
        best = std::min(best, (threadNs() - start) / 1e6);
    }
    return best;
}

QString packedCodes(qsizetype length)
{
    QString all;
    for (int i = 0; i < chat::kIconCount; ++i)
        for (const QString &code : chat::tagCodes(chat::iconTag(i)))
            all += code;
    QString line;
    line.reserve(length + all.size());
    while (line.size() < length)
        line += all;
    line.truncate(length);
    return line;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    std::printf("emoticon pass over packed codes, best of %d rounds\n", rounds);
    std::printf("  %8s %12s %12s %14s %10s\n", "kB", "pass ms", "floor ms", "pass us/kB", "to floor");
    double firstPerKb = 0, lastPerKb = 0;
    for (const qsizetype kb : {25, 50, 100, 200, 400}) {
        const QString line = packedCodes(kb * 1000);
        qsizetype pieces = 0;
        const double pass = bestMs(rounds, [&] { pieces = chat::replaceEmoticons(line).size(); });
        qsizetype colons = 0;
        const double floor = bestMs(rounds, [&] { colons = line.count(u':') + line.indexOf(QStringLiteral(":ang)x")); });
        const double perKb = pass * 1000 / double(kb);
        if (firstPerKb == 0)
            firstPerKb = perKb;
        lastPerKb = perKb;
        std::printf("  %8lld %12.2f %12.3f %14.1f %10.0f   (%lld pieces, %lld colons)\n", static_cast<long long>(kb),
                    pass, floor, perKb, pass / std::max(floor, 1e-3), static_cast<long long>(pieces),
                    static_cast<long long>(colons));
    }
    std::printf("  cost per kB, 400 kB line / 25 kB line: %.2f\n", lastPerKb / firstPerKb);

    // The whole way of such a line: the receive handler and the chat display.
    VirtualScheduler scheduler(QDateTime(QDate(2026, 1, 5), QTime(12, 0, 0)));
    SimClient client(scheduler, QStringLiteral("N0CALL-L"));
    client.setKeepRecords(false);
    SimClientFactory factory(client);
    ScriptedDialogs dialogs;
    RecordingShell shell;
    QTemporaryDir config;
    Program program(scheduler, factory, dialogs, shell, config.path());
    program.start();
    const QString received = QStringLiteral("N0CALL>") + packedCodes(400 * 1000);
    const double handler
        = bestMs(rounds, [&] { program.chatController().EchoLink_ChatTextReceived(received); });
    std::printf("  EchoLink_ChatTextReceived, one 400 kB line of codes: %.1f ms\n", handler);
    return 0;
}
