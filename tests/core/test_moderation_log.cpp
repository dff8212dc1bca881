// The moderation log: which lines it keeps, the station each concerns, the
// cause it names for a button, a DTMF code, the talk-time limit and a log-on,
// passwords masked, and a file that is moved aside before it grows too big.
#include "Form321.h"
#include "ModerationLog.h"
#include "TestRig.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

QStringList fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

struct Logged {
    TestRig rig{QDateTime(QDate(2026, 1, 5), QTime(9, 7, 0))};
    QTemporaryDir folder;
    Form6 *f = nullptr;

    Logged()
    {
        rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
        rig.client.linkUp("*HARBOUR*");
        rig.build();
        QString error;
        if (!rig.program->moderationLog().setFolder(folder.path(), error))
            qFatal("%s", qPrintable(error));
        rig.start();
        f = &rig.form6();
    }
    QStringList entries() const { return fileLines(folder.filePath(ModerationLog::kFileName)); }
};

} // namespace

class TestModerationLog : public QObject {
    Q_OBJECT
private slots:
    void readsLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("shown");

        QTest::newRow("mute") << ".mute N0CALL" << true << "N0CALL" << ".mute N0CALL";
        QTest::newRow("persistent") << ".mute N0CALL -p" << true << "N0CALL" << ".mute N0CALL -p";
        QTest::newRow("talker") << ".mute ." << true << "the talking station" << ".mute .";
        QTest::newRow("ban") << ".ban add K1ABC" << true << "K1ABC" << ".ban add K1ABC";
        QTest::newRow("unban") << ".ban delete K1ABC" << true << "K1ABC" << ".ban delete K1ABC";
        QTest::newRow("listing") << ".ban list" << true << "" << ".ban list";
        QTest::newRow("unmute all") << ".unmute -a" << true << "all stations" << ".unmute -a";
        QTest::newRow("attributes") << ".users ?" << true << "" << ".users ?";
        QTest::newRow("admin log-on") << ".admin FrothyLantern" << true << "" << ".admin ****";
        QTest::newRow("sysop log-on") << ".sysop secret words" << true << "" << ".sysop ****";
        QTest::newRow("quoted notice")
            << ".quote (14:05) ** N0CALL ** You have been Time Muted <<Admin Bot>>" << true << "N0CALL"
            << ".quote (14:05) ** N0CALL ** You have been Time Muted <<Admin Bot>>";
        QTest::newRow("plain unmute notice") << "(09:07) **** W1ABC **** You have been UnMuted. <<Admin>>" << true
                                             << "W1ABC" << "(09:07) **** W1ABC **** You have been UnMuted. <<Admin>>";
        QTest::newRow("talk-time warning") << " >> WARNING K2XYZ << 60 seconds to Auto Mute from the Conference. >> Admin Bot <<"
                                           << true << "K2XYZ"
                                           << " >> WARNING K2XYZ << 60 seconds to Auto Mute from the Conference. >> Admin Bot <<";
        QTest::newRow("ordinary chat") << "hello all" << false << "" << "hello all";
        QTest::newRow("stamped chat") << "(09:07) hello all" << false << "" << "(09:07) hello all";
        QTest::newRow("probe answer") << "Chat-KZ v3.0.5" << false << "" << "Chat-KZ v3.0.5";
    }
    void readsLines()
    {
        QFETCH(QString, line);
        QFETCH(bool, kept);
        QFETCH(QString, station);
        QFETCH(QString, shown);
        QCOMPARE(ModerationLog::isModerationLine(line), kept);
        if (kept)
            QCOMPARE(ModerationLog::stationOf(line), station);
        QCOMPARE(ModerationLog::masked(line), shown);
    }

    void aButtonIsTheCauseOfWhatItSends()
    {
        Logged l;
        ui(*l.f).Text36->setText(QStringLiteral("Admin Enabled"));
        l.rig.dialogs.queueAnswer(QStringLiteral("N0CALL"));
        ui(*l.f).Command46->click();
        const QStringList entries = l.entries();
        QCOMPARE(entries.size(), 2); // the unmute, sent twice
        QVERIFY2(entries[0].startsWith(QStringLiteral("2026-01-05 09:07:00 | .unmute N0CALL | N0CALL | button \"")),
                 qPrintable(entries[0]));
        QVERIFY2(entries[0].endsWith(QStringLiteral("(Command46)")), qPrintable(entries[0]));
        QCOMPARE(ui(*l.f).StatusLine->text(), entries[1]);
    }

    void aLogOnNeverShowsItsPassword()
    {
        Logged l;
        ui(*l.f).Log_On_Admin->click();
        const QStringList entries = l.entries();
        QCOMPARE(entries.size(), 1);
        QVERIFY2(entries[0].contains(QStringLiteral("| .admin **** | - | button")), qPrintable(entries[0]));
        QVERIFY(!entries[0].contains(QStringLiteral("FrothyLantern")));
    }

    void dtmfCodeAndSequenceAreTheCause()
    {
        Logged l;
        ui(*l.f).Text4->setText(QStringLiteral("N0CALL"));
        ui(*l.f).Text9->setText(QStringLiteral("55"));
        l.rig.client.raiseDTMF(QStringLiteral("55"));
        const QStringList entries = l.entries();
        QCOMPARE(entries.size(), 2); // the mute and its notice
        QVERIFY2(entries[0].endsWith(QStringLiteral("| .mute N0CALL | N0CALL | DTMF mute 1 (sequence 55)")),
                 qPrintable(entries[0]));
        QVERIFY2(entries[1].endsWith(QStringLiteral("| N0CALL | DTMF mute 1 (sequence 55)")), qPrintable(entries[1]));
    }

    void talkTimeLimitIsTheCauseAndNamesTheTalker()
    {
        Logged l;
        ui(*l.f).Text36->setText(QStringLiteral("Admin Enabled"));
        ui(*l.f).BeaconPeriod2->setText(QStringLiteral("1"));
        l.rig.advance(100); // the idle job puts the new limit on the countdown
        l.rig.client.raiseRX(true);
        l.rig.client.raiseStationText(QStringLiteral("*HARBOUR*\r->W1ABC Lakeside"));
        l.rig.advance(61000);
        const QStringList entries = l.entries();
        QVERIFY(entries.size() >= 2);
        QVERIFY2(entries[0].endsWith(QStringLiteral("| .mute . | W1ABC | talk-time limit of 1 minutes")),
                 qPrintable(entries[0]));
    }

    void remoteSwitchIsLoggedAsAnAction_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("named");
        QTest::newRow("a callsign") << "K2XYZ" << "K2XYZ";
        // A station must not be able to write entries of its own.
        QTest::newRow("a forged entry after a line break")
            << "K2XYZ\n2026-01-05 09:07:00 | .ban add W1ABC | W1ABC | operator\rX"
            << QStringLiteral("K2XYZ 2026-01-05 09:07:00 | .ban add W1") + QChar(0x2026);
        QTest::newRow("a very long sender") << QString(100000, u'K') << QString(39, u'K') + QChar(0x2026);
    }
    void remoteSwitchIsLoggedAsAnAction()
    {
        QFETCH(QString, sender);
        QFETCH(QString, named);
        Logged l;
        l.rig.client.raiseChat(sender + QStringLiteral(">/TIMEOUT OFF/ N0CALL-L"));
        const QStringList entries = l.entries();
        QCOMPARE(entries.size(), 1);
        QVERIFY2(entries[0].endsWith("| talk-time limit off | - | remote probe /TIMEOUT OFF/ from " + named),
                 qPrintable(entries[0]));
        QCOMPARE(l.rig.program->moderationLog().lastEntry(), entries[0]);
    }

    void aTimedSlotIsTheCauseOfItsRelease()
    {
        Logged l;
        QVERIFY(l.rig.program->form321().timedMuteHandOver(QStringLiteral("W1ABC")));
        l.rig.advance(15 * 60 * 1000 + 1000);
        const QStringList entries = l.entries();
        QVERIFY(!entries.isEmpty());
        QVERIFY2(entries[0].endsWith(QStringLiteral("| .unmute W1ABC | W1ABC | timed un-mute slot 1 ran out")),
                 qPrintable(entries[0]));
    }

    void fullFileIsMovedAside()
    {
        VirtualScheduler clock(QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0)));
        ModerationLog log(clock);
        QTemporaryDir folder;
        QString error;
        QVERIFY(log.setFolder(folder.path(), error));
        const QString line = QStringLiteral(".mute ") + QString(200, u'X');
        const int perFile = int(ModerationLog::kRotateBytes / 240) + 1;
        for (int i = 0; i < perFile * (ModerationLog::kKeep + 2); ++i)
            log.sent(line);
        QDir dir(folder.path());
        QStringList names = dir.entryList(QDir::Files, QDir::Name);
        QCOMPARE(names.size(), ModerationLog::kKeep + 1);
        for (const QString &name : names)
            QVERIFY2(QFileInfo(dir.filePath(name)).size() <= ModerationLog::kRotateBytes + 300, qPrintable(name));
        QCOMPARE(QFile::permissions(log.path()) & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestModerationLog)
#include "test_moderation_log.moc"
