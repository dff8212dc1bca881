// The program on the simulator with its web console on, for the browser
// test: linked to the practice conference, logged on as admin (both
// passwords are the default profile's), W1ABC and K2XYZ present. Stations
// key up and let go when told on standard input, so the test knows when a
// change happened:
//
//     browser_child CONFIG_DIR
//     stdin:  key CALL | unkey CALL | quit
//     stdout: ready | keyed CALL EPOCH_MS | unkeyed CALL EPOCH_MS
#include "app/Program.h"
#include "app/WebConsole.h"
#include "core/Form6.h"
#include "platform/Dialogs.h"
#include "platform/RealScheduler.h"
#include "platform/Shell.h"
#include "platform/sim/SimClient.h"
#include "platform/sim/SimConference.h"
#include "platform/sim/SimLively.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

using namespace gavelry;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: browser_child CONFIG_DIR\n");
        return 2;
    }
    const QString configDir = QString::fromLocal8Bit(argv[1]);

    RealScheduler scheduler;
    SimClient client(scheduler, QStringLiteral("N0CALL-L"));
    SimClientFactory factory(client);
    SimConference conference(client, practice::callsign(), practice::password(), practice::password());
    conference.join(QStringLiteral("W1ABC"));
    conference.join(QStringLiteral("K2XYZ"));
    ScriptedDialogs dialogs;
    RecordingShell shell;
    Program program(scheduler, factory, dialogs, shell, configDir);
    program.start();
    client.linkUp(practice::callsign());
    const std::unique_ptr<WebConsole> console = WebConsole::start(program, configDir);
    if (!console) {
        std::fprintf(stderr, "browser_child: the console did not start\n");
        return 1;
    }
    auto *logOn = program.form6().findChild<QAbstractButton *>(QStringLiteral("Log_On_Admin"));
    if (!logOn) {
        std::fprintf(stderr, "browser_child: no admin log-on button\n");
        return 1;
    }
    logOn->click();
    QTimer::singleShot(500, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QList<QByteArray> words = pending.left(end).trimmed().split(' ');
            const QString call = QString::fromLatin1(words.value(1));
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            if (words.first() == "key")
                conference.key(call);
            else if (words.first() == "unkey")
                conference.unkey(call);
            else {
                if (words.first() == "quit")
                    QCoreApplication::quit();
                continue;
            }
            std::printf("%sed %s %lld\n", words.first().constData(), qPrintable(call), static_cast<long long>(now));
            std::fflush(stdout);
        }
    });
    return app.exec();
}
