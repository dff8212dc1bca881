// Chat receive benchmark: lines per second through the chat window's
// receive handler (default filter words, time stamps on, three emoticon
// codes in the line), at an empty display and at a display already holding
// its full scrollback, against the floor of appending the same plain line to
// a bare QTextEdit in the same run. Prints the per-line costs and the ratio
// (target: at most 3 times the floor, and the same cost empty and full).

#include "chat/ChatController.h"
#include "platform/Dialogs.h"
#include "chat/Messages.h"
#include "app/Program.h"
#include "platform/Shell.h"
#include "platform/sim/SimClient.h"
#include "platform/VirtualScheduler.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::ui;

namespace {

const QString kLine = QStringLiteral("N0CALL>Good evening all :) lovely :beer here and :Wrenmoor says hi");
const QString kPlainLine = QStringLiteral("N0CALL>Good evening all, lovely weather here and Wrenmoor says hi");

/// This thread's CPU time in nanoseconds: the machine is shared, and other
/// processes' work must not count.
qint64 threadNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

/// Microseconds of CPU per call of append, over lines calls.
double perLine(int lines, const std::function<void()> &append)
{
    const qint64 start = threadNs();
    for (int i = 0; i < lines; ++i)
        append();
    return (threadNs() - start) / 1e3 / lines;
}

void appendPlain(QTextEdit &edit)
{
    QTextCursor c(edit.document());
    c.movePosition(QTextCursor::End);
    c.insertText(kLine + QStringLiteral("\r\n"));
    edit.setTextCursor(c);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int measured = argc > 1 ? std::max(100, atoi(argv[1])) : 2000;
    const int full = Messages::kScrollbackLines;

    VirtualScheduler scheduler(QDateTime(QDate(2026, 1, 5), QTime(12, 0, 0)));
    SimClient client(scheduler, QStringLiteral("N0CALL-L"));
    client.setKeepRecords(false);
    SimClientFactory factory(client);
    ScriptedDialogs dialogs;
    RecordingShell shell;
    QTemporaryDir config;
    Program program(scheduler, factory, dialogs, shell, config.path());
    program.start();
    ChatController &chat = program.chatController();
    Messages &window = program.messages();
    auto receive = [&] { chat.EchoLink_ChatTextReceived(kLine); };

    QTextEdit bare;
    auto floorAppend = [&] { appendPlain(bare); };
    auto fill = [&](const std::function<void()> &append) {
        for (int i = 0; i < full; ++i)
            append();
    };

    // The machine is shared: every figure is the best of several rounds, the
    // floor and the chat window measured alternately.
    const int rounds = 5;
    double floorEmpty = 1e9, chatEmpty = 1e9, floorFull = 1e9, chatFull = 1e9, rxFull = 1e9, plainFull = 1e9;
    for (int r = 0; r < rounds; ++r) {
        // Empty display: the first lines of a fresh window.
        bare.clear();
        ui(window).RTB->clear();
        floorEmpty = std::min(floorEmpty, perLine(measured, floorAppend));
        chatEmpty = std::min(chatEmpty, perLine(measured, receive));

        // Full display: both hold a full scrollback before the timed lines.
        bare.clear();
        fill(floorAppend);
        fill(receive);
        floorFull = std::min(floorFull, perLine(measured, floorAppend));
        chatFull = std::min(chatFull, perLine(measured, receive));
        // Where the time goes: the display routine alone, and a line without codes.
        rxFull = std::min(rxFull, perLine(measured, [&] { window.RXText(QStringLiteral("N0CALL>"), kLine.mid(7)); }));
        plainFull = std::min(plainFull, perLine(measured, [&] { chat.EchoLink_ChatTextReceived(kPlainLine); }));
    }

    std::printf("chat receive, best of %d rounds of %d lines, scrollback %d lines\n", rounds, measured, full);
    std::printf("  floor (bare QTextEdit)    empty %8.1f us/line   full %8.1f us/line\n", floorEmpty, floorFull);
    std::printf("  EchoLink_ChatTextReceived empty %8.1f us/line   full %8.1f us/line   (%.0f lines/s full)\n",
                chatEmpty, chatFull, 1e6 / chatFull);
    std::printf("  ratio to floor            empty %8.2f            full %8.2f\n", chatEmpty / floorEmpty,
                chatFull / floorFull);
    std::printf("  full / empty              chat  %8.2f            floor %8.2f\n", chatFull / chatEmpty,
                floorFull / floorEmpty);
    std::printf("  at full: RXText alone %.1f us/line, a line without codes %.1f us/line\n", rxFull, plainFull);
    return 0;
}
