#include "core/Controls.h"
#include "enforcement/Form321.h"
#include "core/Form6.h"
#include "chat/Messages.h"
#include "platform/SafeFile.h"
#include "enforcement/SlotState.h"
#include "TestRig.h"

#include <QFile>
#include <QTest>
#include "TestUi.h"


using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

const QString kUnmuted = QStringLiteral(" **** You have been UnMuted. <<Admin Bot>>");
const QString kUnbanned = QStringLiteral(" **** Re-Connect Restriction has been removed. <<Admin Bot>>");

/// One slot's controls, slot 1-5 as the window numbers them (4, 5: un-ban 1, 2).
struct Slot {
    QLineEdit *call;
    QCheckBox *use;
    QLineEdit *duration;
    QLabel *seconds;
    QPushButton *release;
};

Slot slotOf(Form321 &f, int n)
{
    auto &u = ui(f);
    switch (n) {
    case 1: return {u.Text4, u.StopClock1, u.BeaconPeriod1, u.BeaconSeconds1, u.Command3};
    case 2: return {u.Text6, u.StopClock2, u.BeaconPeriod2, u.BeaconSeconds2, u.Command4};
    case 3: return {u.Text8, u.StopClock3, u.BeaconPeriod3, u.BeaconSeconds3, u.Command6};
    case 4: return {u.Text9, u.StopClock4, u.BeaconPeriod4, u.BeaconSeconds4, u.Command1};
    default: return {u.Text5, u.StopClock5, u.BeaconPeriod5, u.BeaconSeconds5, u.Command2};
    }
}

// Linked to the conference. Start-up happens at 12:00:00; the slot ticks at
// every whole second after it.
Form321 &startLinked(TestRig &rig, bool timeStampAll = true)
{
    rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
    rig.ini("vorivuzav.ini", "CHECK1", timeStampAll ? "1" : "0");
    rig.client.linkUp("*HARBOUR*");
    rig.start();
    rig.advance(500); // between two ticks
    rig.client.clearRecords();
    return rig.program->form321();
}

void fill(Form321 &f, int n, const QString &call)
{
    const Slot s = slotOf(f, n);
    s.call->setText(call);
    controls::setCheckValue(s.use, 1);
}

QString state(Form321 &f, int n)
{
    const Slot s = slotOf(f, n);
    return QStringLiteral("%1 %2 %3").arg(s.call->text(), QString::number(controls::checkValue(s.use)), s.seconds->text());
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

QByteArray stateFile(const TestRig &rig) { return fileBytes(QDir(rig.configDir()).filePath(slotstate::kFileName)); }

} // namespace

class TestTimedSlots : public QObject {
    Q_OBJECT
private slots:
    void releaseWhenTheCountRunsOut_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("stamped");
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<QStringList>("sent");
        const QStringList stampedMute{".unmute W1ABC", ".quote (12:15) **** W1ABC" + kUnmuted};
        const QStringList plainMute{".unmute W1ABC", ".quote **** W1ABC" + kUnmuted};
        QTest::newRow("un-mute 1, stamped") << 1 << true << false << stampedMute;
        QTest::newRow("un-mute 1, plain") << 1 << false << false << plainMute;
        QTest::newRow("un-mute 2") << 2 << false << false << plainMute;
        QTest::newRow("un-mute 3") << 3 << true << false << stampedMute;
        QTest::newRow("un-ban 1, plain: two blanks")
            << 4 << false << false << QStringList{".ban delete W1ABC", ".quote **** W1ABC " + kUnbanned};
        QTest::newRow("un-ban 1, stamped: one blank")
            << 4 << true << false << QStringList{".ban delete W1ABC", ".quote (12:15) **** W1ABC" + kUnbanned};
        QTest::newRow("un-ban 2, plain: one blank")
            << 5 << false << false << QStringList{".ban delete W1ABC", ".quote **** W1ABC" + kUnbanned};
        QTest::newRow("button un-mute 2") << 2 << false << true << plainMute;
        QTest::newRow("button un-ban 1, plain: two blanks")
            << 4 << false << true << QStringList{".ban delete W1ABC", ".quote **** W1ABC " + kUnbanned};
        QTest::newRow("button un-ban 2, stamped")
            << 5 << true << true << QStringList{".ban delete W1ABC", ".quote (12:15) **** W1ABC" + kUnbanned};
    }
    void releaseWhenTheCountRunsOut()
    {
        QFETCH(int, slot);
        QFETCH(bool, stamped);
        QFETCH(bool, byButton);
        QFETCH(QStringList, sent);
        TestRig rig;
        Form321 &f = startLinked(rig, stamped);
        fill(f, slot, "W1ABC");
        if (byButton) {
            rig.advance(30000);
            sent.replaceInStrings("(12:15)", "(12:00)");
            slotOf(f, slot).release->click();
            QVERIFY(rig.program->messages().isVisible());
        } else {
            rig.advance(899000);
            QCOMPARE(state(f, slot), QStringLiteral("W1ABC 1 1"));
            QVERIFY(rig.sent().isEmpty());
            rig.advance(1000);
        }
        QCOMPARE(rig.sent(), sent);
        QCOMPARE(state(f, slot), QStringLiteral("W1ABC 0 900"));
        for (int other = 1; other <= 5; ++other)
            if (other != slot)
                QCOMPARE(state(f, other), QStringLiteral(" 0 900"));
        rig.advance(3600000);
        QCOMPARE(rig.sent(), sent); // idle: once only
    }

    void handOverTakesTheFirstFreeSlot()
    {
        TestRig rig;
        Form321 &f = startLinked(rig);
        fill(f, 2, "K2XYZ");
        QVERIFY(f.timedMuteHandOver("A1"));
        QVERIFY(f.timedMuteHandOver("A3"));
        QVERIFY(!f.timedMuteHandOver("A4")); // all three count: nothing changes
        QCOMPARE(state(f, 1), QStringLiteral("A1 1 900"));
        QCOMPARE(state(f, 2), QStringLiteral("K2XYZ 1 900"));
        QCOMPARE(state(f, 3), QStringLiteral("A3 1 900"));
        QVERIFY(f.timedBanHandOver("B1"));
        QVERIFY(f.timedBanHandOver("B2"));
        QVERIFY(!f.timedBanHandOver("B3"));
        QCOMPARE(state(f, 4), QStringLiteral("B1 1 900"));
        QCOMPARE(state(f, 5), QStringLiteral("B2 1 900"));
        // A slot stopped half-way is free again; its count is not touched.
        rig.advance(100000);
        controls::setCheckValue(slotOf(f, 1).use, 0);
        QVERIFY(f.timedMuteHandOver("A5"));
        QCOMPARE(state(f, 1), QStringLiteral("A5 1 800"));
    }

    void emptiedCallsignRunsOutQuietly()
    {
        TestRig rig;
        Form321 &f = startLinked(rig);
        fill(f, 3, "W1ABC");
        rig.advance(10000);
        slotOf(f, 3).call->clear();
        rig.advance(890000);
        QVERIFY(rig.sent().isEmpty());
        QCOMPARE(state(f, 3), QStringLiteral(" 0 900"));
        slotOf(f, 3).release->click(); // nothing to release either
        QVERIFY(rig.sent().isEmpty());
    }

    void countChanges_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<qint64>("firesAfter"); // ms after the change
        QTest::newRow("duration 2 restarts at 120") << "duration 2" << qint64(120000);
        QTest::newRow("duration 30 restarts at 1800") << "duration 30" << qint64(1800000);
        QTest::newRow("stopped and started again") << "stop" << qint64(800000);
    }
    void countChanges()
    {
        QFETCH(QString, what);
        QFETCH(qint64, firesAfter);
        TestRig rig;
        Form321 &f = startLinked(rig);
        const Slot s = slotOf(f, 1);
        fill(f, 1, "W1ABC");
        rig.advance(100000);
        if (what == "stop") {
            controls::setCheckValue(s.use, 0);
            rig.advance(3600000);
            QCOMPARE(s.seconds->text(), QStringLiteral("800")); // kept where it stood
            controls::setCheckValue(s.use, 1);
        } else {
            s.duration->setText(what.section(' ', 1));
        }
        rig.advance(firesAfter - 1000);
        QVERIFY(rig.sent().isEmpty());
        rig.advance(1000);
        QCOMPARE(rig.sent().size(), 2);
    }

    void zeroMinutesHoldsTheStation()
    {
        TestRig rig;
        Form321 &f = startLinked(rig);
        const Slot s = slotOf(f, 4);
        fill(f, 4, "W1ABC");
        s.duration->clear(); // the emptied box reads "0"
        QCOMPARE(s.duration->text(), QStringLiteral("0"));
        rig.advance(24 * 3600000);
        QVERIFY(rig.sent().isEmpty());
        QCOMPARE(state(f, 4), QStringLiteral("W1ABC 1 0"));
        s.duration->setText("1");
        rig.advance(60000);
        QCOMPARE(rig.sent().value(0), QStringLiteral(".ban delete W1ABC"));
    }

    void dueWithoutALinkWaitsForOne()
    {
        TestRig rig;
        Form321 &f = startLinked(rig);
        fill(f, 2, "W1ABC");
        rig.advance(100000);
        rig.client.linkDown("*HARBOUR*");
        rig.advance(3600000);
        QVERIFY(rig.sent().isEmpty());
        QCOMPARE(state(f, 2), QStringLiteral("W1ABC 1 0"));
        QVERIFY2(ui(rig.form6()).StatusLine->text().contains(
                     "Un-mute slot 2 is due, but no conference is linked: W1ABC is un-muted as soon as a link is up"),
                 qPrintable(ui(rig.form6()).StatusLine->text()));
        rig.client.linkUp("*HARBOUR*");
        rig.advance(1000);
        QCOMPARE(rig.sent(), (QStringList{".unmute W1ABC", ".quote (13:01) **** W1ABC" + kUnmuted}));
        QCOMPARE(state(f, 2), QStringLiteral("W1ABC 0 900"));
    }

    void everyFailedReleaseIsReported_data()
    {
        QTest::addColumn<bool>("waitedForALink");
        QTest::newRow("linked all along") << false;
        QTest::newRow("after waiting for a link") << true;
    }
    void everyFailedReleaseIsReported()
    {
        QFETCH(bool, waitedForALink);
        TestRig rig;
        Form321 &f = startLinked(rig);
        int reports = 0;
        const auto inner = rig.program->context().reportError;
        rig.program->context().reportError = [&](const QString &what) {
            reports += what.contains(QStringLiteral("Un-mute slot 1 could not un-mute W1ABC, tries again in a second")) ? 1 : 0;
            inner(what);
        };
        fill(f, 1, "W1ABC");
        rig.advance(899000);
        if (waitedForALink) {
            rig.client.linkDown("*HARBOUR*");
            rig.advance(5000);
            rig.client.linkUp("*HARBOUR*");
        }
        // Every operation fails from here on: each try a second is told.
        rig.client.setFailureRate(1.0, 1);
        rig.advance(3000);
        QCOMPARE(rig.client.failuresInjected(), 3);
        QCOMPARE(reports, 3);
        QCOMPARE(state(f, 1), QStringLiteral("W1ABC 1 0"));
        // Once the client answers the slot goes out, once.
        rig.client.setFailureRate(0, 1);
        rig.advance(1000);
        QCOMPARE(rig.sent().filter(".unmute").size(), 1);
        QCOMPARE(state(f, 1), QStringLiteral("W1ABC 0 900"));
        rig.program->context().reportError = inner;
    }

    void releaseButtonWithoutALinkChangesNothing()
    {
        TestRig rig;
        Form321 &f = startLinked(rig);
        fill(f, 5, "W1ABC");
        rig.advance(10000);
        rig.client.linkDown("*HARBOUR*");
        slotOf(f, 5).release->click();
        QVERIFY(rig.sent().isEmpty());
        QCOMPARE(rig.dialogs.shown().size(), 1);
        QCOMPARE(rig.dialogs.shown().first().text,
                 QStringLiteral("No conference is linked, so W1ABC cannot be un-banned now. The slot is left as it is."));
        QCOMPARE(state(f, 5), QStringLiteral("W1ABC 1 890"));
    }

    void composeBoxKeepsTheOperatorsText_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::addColumn<bool>("chatStamp");
        QTest::newRow("count runs out") << false << false;
        QTest::newRow("count runs out, chat stamps") << false << true;
        QTest::newRow("release button") << true << false;
    }
    void composeBoxKeepsTheOperatorsText()
    {
        QFETCH(bool, byButton);
        QFETCH(bool, chatStamp);
        TestRig rig;
        rig.ini("messagebox.ini", "CHECK1", chatStamp ? "1" : "0");
        Form321 &f = startLinked(rig, false);
        fill(f, 1, "W1ABC");
        ui(rig.program->messages()).TextTX->setText("half a sentence");
        if (byButton)
            slotOf(f, 1).release->click();
        else
            rig.advance(900000);
        QCOMPARE(rig.sent(), (QStringList{".unmute W1ABC", ".quote **** W1ABC" + kUnmuted}));
        QCOMPARE(ui(rig.program->messages()).TextTX->text(), QStringLiteral("half a sentence"));
    }

    void runningSlotsOutliveARestart_data()
    {
        QTest::addColumn<qint64>("down");
        QTest::addColumn<qint64>("thenFiresAfter"); // ms after the restart; 0: at once
        QTest::newRow("down 5 minutes of 15 left") << qint64(300000) << qint64(600000);
        QTest::newRow("down 20 minutes of 15 left: at once") << qint64(1200000) << qint64(0);
        QTest::newRow("down a year") << qint64(365) * 86400000 << qint64(0);
    }
    void runningSlotsOutliveARestart()
    {
        QFETCH(qint64, down);
        QFETCH(qint64, thenFiresAfter);
        TestRig rig;
        Form321 &first = startLinked(rig);
        fill(first, 4, "W1ABC");
        fill(first, 2, "K2XYZ");
        controls::setCheckValue(slotOf(first, 2).use, 0); // stopped: not running
        QVERIFY(stateFile(rig).contains("W1ABC"));
        QVERIFY(!stateFile(rig).contains("K2XYZ"));

        rig.restart(down);
        Form321 &f = rig.program->form321();
        if (thenFiresAfter == 0) {
            QCOMPARE(rig.sent(), (QStringList{".ban delete W1ABC", ".quote (" + rig.scheduler.hhmm() + ") **** W1ABC" + kUnbanned}));
            QCOMPARE(state(f, 4), QStringLiteral("W1ABC 0 900"));
        } else {
            QCOMPARE(state(f, 4), QStringLiteral("W1ABC 1 %1").arg(thenFiresAfter / 1000));
            rig.advance(thenFiresAfter - 1000);
            QVERIFY(rig.sent().isEmpty());
            rig.advance(1000);
            QCOMPARE(rig.sent().value(0), QStringLiteral(".ban delete W1ABC"));
        }
        QCOMPARE(state(f, 2), QStringLiteral(" 0 900"));
        QVERIFY(!stateFile(rig).contains("W1ABC"));
        rig.restart(); // released means released: nothing comes back
        QCOMPARE(rig.sent().count(".ban delete W1ABC"), 1);
        QCOMPARE(state(rig.program->form321(), 4), QStringLiteral(" 0 900"));
    }

    void heldAndWaitingSlotsOutliveARestart()
    {
        TestRig rig;
        Form321 &first = startLinked(rig);
        fill(first, 1, "HELD");
        slotOf(first, 1).duration->setText("0");
        fill(first, 3, "WAITING");
        rig.client.linkDown("*HARBOUR*");
        rig.advance(900000);
        QCOMPARE(state(first, 3), QStringLiteral("WAITING 1 0"));

        rig.restart(60000);
        Form321 &f = rig.program->form321();
        QVERIFY(rig.sent().isEmpty());
        QCOMPARE(state(f, 1), QStringLiteral("HELD 1 0"));
        QCOMPARE(slotOf(f, 1).duration->text(), QStringLiteral("0"));
        QCOMPARE(state(f, 3), QStringLiteral("WAITING 1 0"));
        rig.client.linkUp("*HARBOUR*");
        rig.advance(1000);
        QCOMPARE(rig.sent().value(0), QStringLiteral(".unmute WAITING"));
        QCOMPARE(state(f, 1), QStringLiteral("HELD 1 0"));
    }

    void unreadableStateFileNeverStopsTheStart_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("restored"); // slot 1 after the start
        QTest::addColumn<bool>("keptAside");
        QTest::newRow("empty") << QByteArray() << " 0 900" << false;
        QTest::newRow("over a megabyte") << QByteArray(safefile::kLargest + 1, '[') << " 0 900" << true;
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\x00\x00", 10) << " 0 900" << true;
        QTest::newRow("cut short") << QByteArray("{\"slots\":[{\"slot\":1,\"kind\":\"unmute\",\"call\":\"W1") << " 0 900" << true;
        QTest::newRow("line break in the callsign")
            << QByteArray("{\"slots\":[{\"slot\":1,\"kind\":\"unmute\",\"call\":\"A\\r\\n.ban add B\",\"due\":\"2020-01-01T00:00:00\"}]}")
            << "0 900" << true;
        QTest::newRow("long ago") << QByteArray("{\"slots\":[{\"slot\":1,\"kind\":\"unmute\",\"call\":\"OLD\",\"due\":\"1990-01-01T00:00:00\"}]}")
                                  << "OLD 0 900" << false;
        QTest::newRow("years away")
            << QByteArray("{\"slots\":[{\"slot\":1,\"kind\":\"unmute\",\"call\":\"LATER\",\"due\":\"2036-01-05T12:00:00\"}]}")
            << "LATER 1 " + QString::number(qint64(3652) * 86400) << false;
    }
    void unreadableStateFileNeverStopsTheStart()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, restored);
        QFETCH(bool, keptAside);
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
        rig.client.linkUp("*HARBOUR*");
        {
            QFile file(QDir(rig.configDir()).filePath(slotstate::kFileName));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(data);
        }
        rig.start();
        QVERIFY2(state(rig.program->form321(), 1).endsWith(restored), qPrintable(state(rig.program->form321(), 1)));
        for (const QString &line : rig.sent())
            QVERIFY2(!line.contains(u'\r') && !line.contains(u'\n'), qPrintable(line));
        if (restored == " 0 900")
            QVERIFY(ui(rig.form6()).StatusLine->text().contains("Timed slots from before the restart"));
        QStringList problems;
        slotstate::read(rig.configDir(), problems);
        QVERIFY(problems.isEmpty()); // rewritten with what runs
        // What could not be taken up is kept aside as it was, and the operator told.
        QCOMPARE(fileBytes(QDir(rig.configDir()).filePath("timedslots.json.bak")), keptAside ? data : "<none>");
        QCOMPARE(ui(rig.form6()).StatusLine->text().contains("is kept as timedslots.json.bak"), keptAside);
    }

    /// The end writes the slots as they run (here after a write on the way
    /// was lost); a program that never loaded the file writes nothing.
    void runningSlotsAreWrittenAtTheEnd_data()
    {
        QTest::addColumn<bool>("started");
        QTest::newRow("closed while a slot runs") << true;
        QTest::newRow("ended before it loaded") << false;
    }
    void runningSlotsAreWrittenAtTheEnd()
    {
        QFETCH(bool, started);
        TestRig rig;
        const QString path = QDir(rig.configDir()).filePath(slotstate::kFileName);
        QVERIFY(slotstate::write(rig.configDir(), {{5, SlotKind::UnBan, "K2XYZ", std::nullopt}}).isEmpty());
        if (started) {
            fill(startLinked(rig), 1, "W1ABC");
            QVERIFY(QFile::remove(path));
        } else {
            rig.build();
        }
        rig.program->context().endProgram();
        QStringList problems;
        QStringList calls;
        for (const SlotRecord &r : slotstate::read(rig.configDir(), problems))
            calls.append(r.call);
        QCOMPARE(calls, started ? QStringList({"W1ABC", "K2XYZ"}) : QStringList({"K2XYZ"}));
    }

    /// A restart on either side of a change of the clocks (Berlin, 2026)
    /// takes a slot up with the time really left: 5 of its 15 minutes.
    void dueTimesHoldAcrossTheClockChanges_data()
    {
        QTest::addColumn<QDateTime>("filled");
        QTest::addColumn<QDateTime>("restarted");
        auto at = [](int month, int hour, int minute, int offset) {
            return QDateTime(QDate(2026, month, month == 3 ? 29 : 25), QTime(hour, minute), Qt::OffsetFromUTC, offset * 3600);
        };
        QTest::newRow("spring: due in the skipped hour") << at(3, 1, 50, 1) << at(3, 3, 0, 2);
        QTest::newRow("autumn: from summer time into the repeated hour") << at(10, 2, 50, 2) << at(10, 2, 0, 1);
    }
    void dueTimesHoldAcrossTheClockChanges()
    {
        QFETCH(QDateTime, filled);
        QFETCH(QDateTime, restarted);
        TestRig first(filled);
        fill(startLinked(first), 4, "W1ABC");
        TestRig rig(restarted);
        QVERIFY(QFile::copy(QDir(first.configDir()).filePath(slotstate::kFileName),
                            QDir(rig.configDir()).filePath(slotstate::kFileName)));
        QCOMPARE(state(startLinked(rig), 4), QStringLiteral("W1ABC 1 300"));
    }

    /// A board without a clock of its own starts with a wrong time and is
    /// set right later: the release comes when the file says, not the
    /// clock's error later. Filled at 12:00, due 12:15, started again at 12:01.
    void releasesFollowTheWallClock_data()
    {
        QTest::addColumn<qint64>("wrongAtStart"); // ms the clock is off when the program starts
        QTest::addColumn<qint64>("setLater");     // ms it is set by, 10 s after the start
        QTest::addColumn<QString>("releasedAt");  // the clock when the release goes out
        QTest::newRow("an hour slow at start, set right") << qint64(-3600000) << qint64(3600000) << "12:15:00";
        QTest::newRow("right at start, set an hour ahead") << qint64(0) << qint64(3600000) << "13:01:11";
        QTest::newRow("right at start, set an hour back") << qint64(0) << qint64(-3600000) << "12:15:00";
    }
    void releasesFollowTheWallClock()
    {
        QFETCH(qint64, wrongAtStart);
        QFETCH(qint64, setLater);
        QFETCH(QString, releasedAt);
        TestRig rig;
        fill(startLinked(rig), 1, "W1ABC");
        rig.program->endForRestart();
        rig.program.reset();
        rig.advance(60000);
        rig.scheduler.setClockBy(wrongAtStart);
        QCOMPARE(state(rig.start().form321(), 1), QStringLiteral("W1ABC 1 %1").arg(840 - wrongAtStart / 1000));
        rig.advance(10000);
        rig.scheduler.setClockBy(setLater);
        for (int i = 0; i < 10000 && rig.sent().isEmpty(); ++i)
            rig.advance(1000); // from tick to tick
        QCOMPARE(rig.scheduler.timeOfDay(), releasedAt);
        QCOMPARE(rig.sent().value(0), QStringLiteral(".unmute W1ABC"));
    }

    void windowOpensThroughTheGate()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
        rig.client.linkUp("*HARBOUR*");
        rig.start();
        Form6 &main = rig.form6();
        ui(main).TimedBanMute->click();
        QCOMPARE(rig.dialogs.shown().size(), 1);
        QCOMPARE(rig.dialogs.shown().first().title, QStringLiteral("Admin Authorization Required"));
        QVERIFY(!rig.program->form321().isVisible());
        ui(main).Text36->setText("Admin Enabled");
        ui(main).TimedBanMute->click();
        QVERIFY(rig.program->form321().isVisible());
        QCOMPARE(rig.dialogs.shown().size(), 1);
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestTimedSlots)
#include "test_timed_slots.moc"
