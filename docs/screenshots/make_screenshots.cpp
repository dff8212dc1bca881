// Makes the README's pictures: the whole program on the built-in simulator,
// linked to a lively practice conference and logged on as admin, after a
// few minutes of moderation (a timed mute, a timed ban, chat), each window
// drawn into a PNG. scripts/screenshots.sh runs it under Xvfb.
#include "core/Controls.h"
#include "platform/Dialogs.h"
#include "enforcement/Form321.h"
#include "core/Form6.h"
#include "chat/Messages.h"
#include "platform/ProfileIni.h"
#include "app/Program.h"
#include "platform/Shell.h"
#include "platform/sim/SimClient.h"
#include "platform/sim/SimConference.h"
#include "platform/sim/SimLively.h"
#include "platform/VirtualScheduler.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::ui;

namespace {

bool save(QWidget &window, const QDir &into, const QString &name)
{
    const QString path = into.filePath(name);
    if (window.grab().save(path))
        return true;
    std::fprintf(stderr, "make_screenshots: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const QDir into(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!QDir().mkpath(into.path())) {
        std::fprintf(stderr, "make_screenshots: cannot make %s\n", qPrintable(into.path()));
        return 1;
    }

    QTemporaryDir config;
    {
        SettingsFile ini(config.path(), QStringLiteral("vorivuzav.ini"));
        ini.set(QStringLiteral("CONFERENCE"), QStringLiteral("*HARBOUR*"));
        ini.set(QStringLiteral("PASSWORD"), QStringLiteral("harbour-admin"));
        ini.set(QStringLiteral("TEXT4"), QStringLiteral("K2XYZ"));
        ini.set(QStringLiteral("TEXT9"), QStringLiteral("*55"));
        ini.set(QStringLiteral("STATION3"), QStringLiteral("W1ABC-R"));
        ini.save();
    }

    VirtualScheduler scheduler(QDateTime(QDate(2026, 12, 8), QTime(20, 55, 0)));
    SimClient client(scheduler, QStringLiteral("N0CALL-L"));
    SimClientFactory factory(client);
    SimConference harbour(client, QStringLiteral("*HARBOUR*"), QStringLiteral("harbour-admin"),
                          QStringLiteral("harbour-sysop"));
    SimLively lively(harbour, 7);
    lively.start();
    ScriptedDialogs dialogs;
    RecordingShell shell;
    Program program(scheduler, factory, dialogs, shell, config.path());
    program.start();
    Form6 &main = program.form6();
    main.show();

    ui(main).Log_On_Conf->click();
    scheduler.advanceBy(2000);
    ui(main).Log_On_Admin->click();
    scheduler.advanceBy(8 * 60 * 1000);

    // A timed mute and a timed ban by hand, as a sysop would.
    dialogs.queueAnswer(QStringLiteral("K2XYZ"));
    controls::setCheckValue(ui(main).Check6, 1);
    ui(main).Command47->click();
    dialogs.queueAnswer(QStringLiteral("KD9QRS"));
    controls::setCheckValue(ui(main).Check8, 1);
    ui(main).Ban->click();
    scheduler.advanceBy(3 * 60 * 1000);

    Messages &chat = program.messages();
    chat.show();
    Form321 &timed = program.form321();
    timed.show();
    QApplication::processEvents();

    bool ok = save(main, into, QStringLiteral("main-window.png"));
    ok = save(chat, into, QStringLiteral("chat-window.png")) && ok;
    ok = save(timed, into, QStringLiteral("timed-ban-window.png")) && ok;
    return ok ? 0 : 1;
}
