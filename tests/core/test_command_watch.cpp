// Every command sent is matched with the server's answer: the moderation
// log entry ends with its outcome, a refusal or a silence reaches the status
// line, a station's chat line never counts as an answer, and an admin log-on
// the server forgot in a restart is found and made again.
#include "chat/Messages.h"
#include "core/AdminGate.h"
#include "core/CommandWatch.h"
#include "core/ModerationLog.h"
#include "platform/sim/SimConference.h"
#include "TestRig.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

const QString kConf = QStringLiteral("*HARBOUR*");

/// The program linked to a simulated conference with W1ABC and K2XYZ on
/// it, logged on as admin, its moderation log in a folder of its own.
struct Linked {
    TestRig rig;
    SimConference conf{rig.client, kConf, QStringLiteral("ADM"), QStringLiteral("SYS")};
    QTemporaryDir folder;

    explicit Linked(const QList<std::pair<QString, QString>> &settings = {})
    {
        conf.join(QStringLiteral("W1ABC"), QStringLiteral("Walter"));
        conf.join(QStringLiteral("K2XYZ"), QStringLiteral("Kim"));
        rig.ini("vorivuzav.ini", "CONFERENCE", kConf);
        rig.ini("vorivuzav.ini", "PASSWORD", "ADM");
        for (const auto &[key, value] : settings)
            rig.ini("vorivuzav.ini", key, value);
        rig.build();
        QString error;
        if (!rig.program->moderationLog().setFolder(folder.path(), error))
            qFatal("%s", qPrintable(error));
        rig.start();
        ui(form()).Log_On_Conf->click();
        rig.advance(1000);
        ui(form()).Log_On_Admin->click();
        rig.advance(1000);
    }
    Form6 &form() { return rig.form6(); }
    /// Sends line as the main window's send step does, for a cause.
    void send(const QString &line)
    {
        ModerationLog::Cause cause(&rig.program->moderationLog(), QStringLiteral("test"));
        form().SendAndClear(line);
    }
    QStringList entries() const
    {
        QFile f(QDir(folder.path()).filePath(ModerationLog::kFileName));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                           : QStringList();
    }
    QString status() { return ui(form()).StatusLine->text(); }
};

} // namespace

class TestCommandWatch : public QObject {
    Q_OBJECT
private slots:
    void theLogEntryEndsWithTheOutcome_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("entryEnd");
        QTest::addColumn<QString>("status"); // empty: the entry itself is the status line
        QTest::newRow("carried out") << ".mute W1ABC" << "| W1ABC | test | ok" << "";
        QTest::newRow("un-ban of a station not banned")
            << ".ban delete K9PEST" << "| K9PEST | test | refused: K9PEST was not found on the banned list."
            << "The server refused .ban delete K9PEST: K9PEST was not found on the banned list.";
        QTest::newRow("a station not there")
            << ".mute Q9ZZZ" << "| refused: No Q9ZZZ found." << "The server refused .mute Q9ZZZ: No Q9ZZZ found.";
        QTest::newRow("a wrong password") << ".admin not-it" << "| .admin **** | - | test | no answer in 10 s"
                                          << "no answer to the log-on: is the password right?";
        QTest::newRow("a quote, needing a sysop log-on")
            << ".quote ** K2XYZ ** mind the limit <<Admin>>" << "| K2XYZ | test | no answer in 10 s"
            << "No answer from the server in 10 s to .quote ** K2XYZ ** mind the limit <<Admin>>";
        QTest::newRow("statistics") << ".stats" << "| .stats | - | test | ok" << "";
    }
    void theLogEntryEndsWithTheOutcome()
    {
        QFETCH(QString, line);
        QFETCH(QString, entryEnd);
        QFETCH(QString, status);
        Linked l;
        const int before = int(l.entries().size());
        l.send(line);
        l.rig.advance(CommandWatch::kAnswerWaitMs);
        const QStringList entries = l.entries();
        QCOMPARE(entries.size(), before + 1);
        QVERIFY2(entries.last().endsWith(entryEnd), qPrintable(entries.last()));
        if (status.isEmpty())
            QCOMPARE(l.status(), entries.last());
        else
            QVERIFY2(l.status().endsWith(status), qPrintable(l.status()));
    }

    /// An entry waits for its command's answer, and the ones after it wait
    /// with it: the log keeps the order things were done in.
    void entriesKeepTheirOrder()
    {
        Linked l;
        const int before = int(l.entries().size());
        l.send(QStringLiteral(".unmute K9PEST"));
        l.send(QStringLiteral("** K9PEST ** a notice <<Admin>>"));
        l.send(QStringLiteral(".mute K2XYZ"));
        QCOMPARE(l.entries().size(), before);
        l.rig.advance(1000);
        const QStringList entries = l.entries().mid(before);
        QCOMPARE(entries.size(), 3);
        QVERIFY2(entries[0].endsWith("refused: No K9PEST found."), qPrintable(entries[0]));
        QVERIFY2(entries[1].endsWith("| K9PEST | test"), qPrintable(entries[1]));
        QVERIFY2(entries[2].endsWith("| ok"), qPrintable(entries[2]));
    }

    /// Only the server speaks without a sender: a station typing the
    /// answer settles nothing and opens no gate (and that is logged). A
    /// server text no rule knows goes to a command whose answer varies.
    void aStationsLineIsNoAnswer()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE", kConf);
        rig.client.linkUp(kConf);
        rig.start();
        const CommandWatch &watch = rig.program->commandWatch();
        QSignalSpy logged(&rig.program->moderationLog(), &ModerationLog::logged);
        ui(rig.form6()).Text36->setText(QStringLiteral("Admin Override"));
        rig.form6().SendAndClear(QStringLiteral(".mute K2XYZ"));
        rig.form6().SendAndClear(QStringLiteral(".stats"));
        rig.client.raiseChat(QStringLiteral("K2XYZ>K2XYZ muted."));
        rig.client.raiseChat(QStringLiteral("K2XYZ>Your wish is my command."));
        QCOMPARE(watch.waiting(), 2);
        rig.client.raiseChat(QStringLiteral("K2XYZ muted."));
        rig.client.raiseChat(QStringLiteral("Up for 3 days, 12 stations"));
        QCOMPARE(watch.waiting(), 0);
        QCOMPARE(ui(rig.form6()).Text36->text(), QStringLiteral("Admin Override"));
        QStringList entries;
        for (const QList<QVariant> &args : std::as_const(logged))
            entries.append(args.first().toString().section(QStringLiteral(" | "), 1));
        QCOMPARE(entries, (QStringList{".mute K2XYZ | K2XYZ | operator | ok", ".stats | - | operator | ok",
                                       "a station's line is no answer of the server: the admin state stays as it "
                                       "is | K2XYZ | chat line from K2XYZ"}));
    }

    /// A restart with the link kept: the server forgets the log-on and
    /// says nothing. The next check finds it, closes the gate, logs on
    /// again ("Auto Enter Admin Password"), and a talker past the limit is
    /// muted by the server.
    void aLogOnForgottenInARestartIsMadeAgain_data()
    {
        QTest::addColumn<int>("downMs");
        QTest::addColumn<int>("afterCheckMs"); // the restart, this long after a check
        QTest::newRow("down 2 s, just after a check") << 2000 << 1000;
        QTest::newRow("down 2 s over the next check") << 2000 << CommandWatch::kCheckEveryMs - 1000;
        QTest::newRow("down a minute") << 60000 << 5000;
    }
    void aLogOnForgottenInARestartIsMadeAgain()
    {
        QFETCH(int, downMs);
        QFETCH(int, afterCheckMs);
        Linked l({{"AUTOENTER", "1"}, {"BEACONPERIOD2", "1"}});
        QCOMPARE(ui(l.form()).Text36->text(), QStringLiteral("Admin Enabled"));
        // The checks run every kCheckEveryMs from the start (2 s ago).
        l.rig.advance(CommandWatch::kCheckEveryMs - 2000 + afterCheckMs);
        const int adminsBefore = int(l.rig.sent().count(QStringLiteral(".admin ADM")));
        l.conf.restart(downMs);
        l.conf.key(QStringLiteral("W1ABC"));
        l.rig.advance(downMs);
        QVERIFY(!l.conf.isMuted(QStringLiteral("W1ABC")));
        // Right again within 70 s of the server coming back.
        l.rig.advance(70000);
        QCOMPARE(ui(l.form()).Text36->text(), QStringLiteral("Admin Enabled"));
        QCOMPARE(l.rig.sent().count(QStringLiteral(".admin ADM")), adminsBefore + 1);
        QVERIFY(l.conf.isMuted(QStringLiteral("W1ABC")) || downMs > 2000);
        QVERIFY2(l.entries().filter(QStringLiteral("| admin log-on forgotten by the server |")).size() == 1,
                 qPrintable(l.entries().join(u'\n')));
    }

    void withoutAutoEnterTheGateStaysClosed()
    {
        Linked l;
        l.conf.restart(2000);
        l.rig.advance(70000);
        QCOMPARE(ui(l.form()).Text36->text(), QStringLiteral("Admin Disabled"));
        QCOMPARE(l.rig.sent().count(QStringLiteral(".admin ADM")), 1);
        QCOMPARE(l.rig.program->adminGate().closed(), true);
    }

    /// The checks are the watch's own: nobody sees their answers, and they
    /// stop once the state no longer says the server knows our log-on.
    void checksAreQuiet()
    {
        Linked l;
        l.rig.client.clearRecords();
        l.rig.advance(5 * 60 * 1000);
        const QStringList sent = l.rig.sent();
        QVERIFY(sent.size() >= 6);
        QCOMPARE(sent.count(CommandWatch::kCheck), sent.size());
        QVERIFY(!ui(l.rig.program->messages()).RTB->toPlainText().contains(QStringLiteral("Admins:")));
        QCOMPARE(l.rig.program->commandWatch().waiting(), 0);
        l.rig.client.clearRecords();
        ui(l.form()).Text36->setText(QStringLiteral("Admin Override"));
        l.rig.advance(5 * 60 * 1000);
        QVERIFY(l.rig.sent().isEmpty());
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestCommandWatch)
#include "test_command_watch.moc"
