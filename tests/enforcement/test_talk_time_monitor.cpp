#include "core/Controls.h"
#include "platform/EditStyle.h"
#include "core/Form6.h"
#include "TestRig.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

constexpr qint64 kKeyAt = 505; // between two ticks of every job

QString warningText(const QString &call, const QString &what)
{
    return " >> WARNING " + call + " << 60 seconds to " + what + " from the Conference. >> Admin Bot <<";
}

QString muteNotice(const QString &call, const QString &minutes)
{
    return "** Auto Mute ** Has been sent to " + call + " the node exceeding the conference key down limit of "
        + minutes + " minutes without a break. Disconnect and reconnect to remove the Mute. << Admin Bot >>";
}

QString disconnectNotice(const QString &call, const QString &minutes)
{
    return "** Auto Disconnect ** Has been sent to " + call + " the node exceeding the conference key down limit of "
        + minutes + " minutes without a break. << Admin Bot >>";
}

// Linked to the selected conference; admin enabled unless told otherwise.
Form6 &startLinked(TestRig &rig, bool adminEnabled = true)
{
    rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
    rig.client.linkUp("*HARBOUR*");
    rig.start();
    Form6 &f = rig.form6();
    if (adminEnabled)
        ui(f).Text36->setText("Admin Enabled"); // as the server's acknowledgement does
    return f;
}

// A blank call keys up with a station text that names no talker: station
// tracking then leaves a single blank in the talker box.
void keyUp(TestRig &rig, const QString &call)
{
    rig.client.raiseRX(true);
    rig.client.raiseStationText(call.trimmed().isEmpty() ? QStringLiteral("*HARBOUR*\r")
                                                          : "*HARBOUR*\r->" + call + " Lakeside Repeater");
}

void unkey(TestRig &rig)
{
    rig.client.raiseRX(false);
    rig.client.raiseStationText("*HARBOUR*\r");
}

// The lines sent so far, each as "SECONDS-SINCE-START line".
QStringList timedSends(const TestRig &rig)
{
    QStringList lines;
    for (const SimClient::Record &r : rig.client.records())
        if (r.kind == QLatin1String("send"))
            lines.append(QString::number(r.ms / 1000) + ' ' + r.arg);
    return lines;
}

QString countdown(Form6 &f) { return ui(f).BeaconSeconds2->text(); }

} // namespace

class TestTalkTimeMonitor : public QObject {
    Q_OBJECT
private slots:
    void warnsThenActs_data()
    {
        QTest::addColumn<QString>("limit");
        QTest::addColumn<bool>("disconnectMode");
        QTest::addColumn<QString>("talker");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QStringList>("expected");
        const QString call = "N0CALL-R";
        QTest::newRow("mute at the default limit")
            << "10" << false << call << 630
            << QStringList{"540 " + warningText(call, "Auto Mute"), "600 .mute .", "600 " + muteNotice(call, "10")};
        QTest::newRow("disconnect: notice first")
            << "10" << true << call << 630
            << QStringList{"540 " + warningText(call, "Auto Disconnect"), "600 " + disconnectNotice(call, "10"),
                           "600 .disconnect ."};
        QTest::newRow("a conference is disconnected in mute mode")
            << "10" << false << "*RELAY*" << 630
            << QStringList{"540 " + warningText("*RELAY*", "Auto Disconnect"), "600 .disconnect .",
                           "600 " + disconnectNotice("*RELAY*", "10")};
        QTest::newRow("one minute: no warning")
            << "1" << false << call << 90 << QStringList{"60 .mute .", "60 " + muteNotice(call, "1")};
        QTest::newRow("no callsign: still muted, the blank named")
            << "10" << false << " " << 630
            << QStringList{"540 " + warningText(" ", "Auto Mute"), "600 .mute .", "600 " + muteNotice(" ", "10")};
        QTest::newRow("a new cycle while the carrier stays")
            << "2" << false << call << 245
            << QStringList{"60 " + warningText(call, "Auto Mute"), "120 .mute .", "120 " + muteNotice(call, "2"),
                           "180 " + warningText(call, "Auto Mute"), "240 .mute .", "240 " + muteNotice(call, "2")};
    }
    void warnsThenActs()
    {
        QFETCH(QString, limit);
        QFETCH(bool, disconnectMode);
        QFETCH(QString, talker);
        QFETCH(int, seconds);
        QFETCH(QStringList, expected);
        TestRig rig;
        rig.ini("vorivuzav.ini", "BEACONPERIOD2", limit);
        rig.ini("vorivuzav.ini", "OPTION7", disconnectMode ? "False" : "True");
        rig.ini("vorivuzav.ini", "OPTION8", disconnectMode ? "True" : "False");
        Form6 &f = startLinked(rig);
        rig.advance(kKeyAt);
        QCOMPARE(countdown(f), QString::number(limit.toInt() * 60));
        keyUp(rig, talker);
        rig.advance(seconds * 1000);
        QCOMPARE(timedSends(rig), expected);
    }

    void noCounting_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("adminEnabled");
        QTest::addColumn<QString>("after700s");
        QTest::addColumn<bool>("switchEnabled");
        QTest::newRow("switch off") << "CHECK3" << "0" << true << "600" << true;
        QTest::newRow("no mode selected") << "OPTION7" << "False" << true << "-100" << true;
        QTest::newRow("admin disabled") << "CHECK3" << "1" << false << "600" << false;
    }
    void noCounting()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, adminEnabled);
        QFETCH(QString, after700s);
        QFETCH(bool, switchEnabled);
        TestRig rig;
        rig.ini("vorivuzav.ini", key, value);
        Form6 &f = startLinked(rig, adminEnabled);
        rig.advance(kKeyAt);
        keyUp(rig, "N0CALL-R");
        rig.advance(700000);
        QCOMPARE(countdown(f), after700s);
        QVERIFY(rig.sent().isEmpty());
        QCOMPARE(ui(f).Check3->isEnabled(), switchEnabled);
        unkey(rig);
        rig.advance(10);
        QCOMPARE(countdown(f), QStringLiteral("600"));
    }

    void aNewTalkerWithoutABreakIsNamed()
    {
        TestRig rig;
        startLinked(rig);
        rig.advance(kKeyAt);
        keyUp(rig, "N0CALL-R");
        rig.advance(300000);
        rig.client.raiseStationText("*HARBOUR*\r->K1ABC-L Harbour Master"); // no end of transmission reported
        rig.advance(300000);
        QCOMPARE(rig.sent(), (QStringList{warningText("K1ABC-L", "Auto Mute"), ".mute .", muteNotice("K1ABC-L", "10")}));
    }

    void limitBoxChanges()
    {
        TestRig rig;
        Form6 &f = startLinked(rig);
        QLineEdit *box = ui(f).BeaconPeriod2;
        box->setText("");
        QCOMPARE(box->text(), QStringLiteral("1"));
        QVERIFY(EditStyle::isDigitsOnly(box));
        QVERIFY(!f.Timer5->isEnabled());
        rig.advance(kKeyAt);
        keyUp(rig, "N0CALL-R");
        rig.advance(120000);
        QCOMPARE(countdown(f), QStringLiteral("60")); // stopped: never counts
        box->setText("2");
        QVERIFY(f.Timer5->isEnabled());
        box->setText("0");
        rig.advance(1000);
        QCOMPARE(box->text(), QStringLiteral("1")); // the next tick
        QVERIFY(rig.sent().isEmpty());
    }

    // The 10 ms reset job rests while its next run could change nothing and
    // wakes for whatever could: the countdown still shows the full limit
    // within one tick of the change, as when it ran all the time.
    void resetJobRestsUntilSomethingChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("shown");
        QTest::newRow("transmission ends") << "unkey" << "600";
        QTest::newRow("limit typed") << "limit" << "300";
        QTest::newRow("limit set to nothing") << "empty" << "597";
        QTest::newRow("transmission starts") << "key" << "597";
    }
    void resetJobRestsUntilSomethingChanges()
    {
        QFETCH(QString, change);
        QFETCH(QString, shown);
        TestRig rig;
        Form6 &f = startLinked(rig);
        rig.advance(kKeyAt);
        QVERIFY(f.Timer4->isDormant());
        QVERIFY(f.Timer4->isEnabled()); // resting is not switched off
        if (change == "limit") {
            QCOMPARE(countdown(f), QStringLiteral("600"));
        } else if (change != "key") {
            keyUp(rig, "N0CALL-R");
            rig.advance(3000);
            QCOMPARE(countdown(f), QStringLiteral("597"));
            QVERIFY(f.Timer4->isDormant());
        } else {
            ui(f).BeaconSeconds2->setText("597"); // as a countdown left over
        }
        if (change == "unkey")
            unkey(rig);
        else if (change == "limit")
            ui(f).BeaconPeriod2->setText("5");
        else if (change == "empty")
            ui(f).BeaconPeriod2->setText("");
        else
            keyUp(rig, "N0CALL-R");
        QVERIFY(!f.Timer4->isDormant());
        rig.advance(10);
        QCOMPARE(countdown(f), shown);
        QVERIFY(f.Timer4->isDormant());
    }

    void idleResetJobRunsOnceASecond()
    {
        TestRig rig;
        Form6 &f = startLinked(rig);
        QSignalSpy runs(f.Timer4, &Timer::timeout);
        rig.advance(60000);
        QVERIFY2(runs.size() <= 61, qPrintable(QString::number(runs.size())));
        QCOMPARE(countdown(f), QStringLiteral("600"));
    }

    // The limit as the settings file holds it. A value the digits-only box
    // could never hold (a sign, letters, four digits) is no limit: the
    // default is taken and the status line names the key, so the limit is
    // never switched off behind the sysop's back. "0" and an emptied box keep
    // their own rules. The file itself is left as it is.
    void limitFromTheSettingsFile_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("ticking");
        QTest::addColumn<bool>("reported");
        QTest::addColumn<int>("mutedAt"); // seconds since the start, -1: never
        QTest::newRow("-1") << "-1" << "10" << true << true << 602;
        QTest::newRow("-10") << "-10" << "10" << true << true << 602;
        QTest::newRow("0: one minute from the first tick") << "0" << "1" << true << false << 62;
        QTest::newRow("empty: the tick stops") << "" << "1" << false << false << -1;
        QTest::newRow("garbage") << "ten" << "10" << true << true << 602;
        QTest::newRow("four digits") << "1000" << "10" << true << true << 602;
        QTest::newRow("plus sign") << "+5" << "10" << true << true << 602;
        QTest::newRow("10") << "10" << "10" << true << false << 602;
        QTest::newRow("3") << "3" << "3" << true << false << 182;
    }
    void limitFromTheSettingsFile()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(bool, ticking);
        QFETCH(bool, reported);
        QFETCH(int, mutedAt);
        TestRig rig;
        rig.ini("vorivuzav.ini", "BEACONPERIOD2", stored);
        Form6 &f = startLinked(rig);
        QCOMPARE(ui(f).StatusLine->text().contains("BEACONPERIOD2"), reported);
        QCOMPARE(ui(f).StatusLine->text().contains("talk-time limit is off"), !ticking);
        rig.advance(2000 + kKeyAt); // past the first tick
        QCOMPARE(ui(f).BeaconPeriod2->text(), shown);
        QCOMPARE(f.Timer5->isEnabled(), ticking);
        QVERIFY(f.Timer4->isEnabled());
        keyUp(rig, "N0CALL-R");
        rig.advance(700000);
        const QStringList sends = timedSends(rig);
        if (mutedAt < 0)
            QVERIFY2(sends.isEmpty(), qPrintable(sends.join('|')));
        else
            QVERIFY2(sends.contains(QString::number(mutedAt) + " .mute ."), qPrintable(sends.join('|')));
        QCOMPARE(rig.iniValue("vorivuzav.ini", "BEACONPERIOD2"), stored);
    }

    void aFailingClientDoesNotStopTheMonitor()
    {
        TestRig rig;
        Form6 &f = startLinked(rig);
        rig.advance(kKeyAt);
        keyUp(rig, "N0CALL-R");
        rig.advance(590000);
        rig.client.setFailing(true);
        rig.advance(11000);
        QCOMPARE(rig.endings, 0);
        QCOMPARE(countdown(f), QStringLiteral("599")); // restarted at 600 s despite the failed sends
        QVERIFY(ui(f).StatusLine->text().contains("did not answer"));
        QCOMPARE(rig.sent(), QStringList{warningText("N0CALL-R", "Auto Mute")});
    }

    void aWholeDayOfStuckCarriers()
    {
        // One station keys up at the top of every hour and holds the channel
        // for 11 minutes: warned at 9, muted at 10, then quiet after the mute
        // restarted the count.
        TestRig rig;
        rig.client.setLinkDelay(500);
        startLinked(rig);
        constexpr qint64 kHour = 3600 * 1000;
        QObject anchor;
        for (int h = 0; h < 24; ++h) {
            rig.scheduler.callAfter(int(h * kHour + kKeyAt), &anchor, [&rig] { keyUp(rig, "N0CALL-R"); });
            rig.scheduler.callAfter(int(h * kHour + kKeyAt + 660000), &anchor, [&rig] { unkey(rig); });
        }
        QElapsedTimer wall;
        wall.start();
        rig.advance(24 * kHour);
        qInfo("24 virtual hours in %lld ms", wall.elapsed());

        QStringList expected;
        for (int h = 0; h < 24; ++h) {
            expected << QString::number(h * 3600 + 540) + ' ' + warningText("N0CALL-R", "Auto Mute")
                     << QString::number(h * 3600 + 600) + " .mute ."
                     << QString::number(h * 3600 + 600) + ' ' + muteNotice("N0CALL-R", "10");
        }
        QCOMPARE(timedSends(rig), expected);
        QCOMPARE(rig.endings, 0);
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestTalkTimeMonitor)
#include "test_talk_time_monitor.moc"
