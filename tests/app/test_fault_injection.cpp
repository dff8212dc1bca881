// A virtual day of moderation on a client that fails a share of its calls.

#include "core/Controls.h"
#include "enforcement/Form321.h"
#include "core/Form6.h"
#include "chat/Messages.h"
#include "platform/sim/SimConference.h"
#include "platform/sim/SimLively.h"
#include "TestRig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QTest>

#include <algorithm>
#include "TestUi.h"

using namespace gavelry;
using namespace gavelry::test;

namespace {

constexpr qint64 kSecond = 1000;
constexpr qint64 kMinute = 60 * kSecond;
constexpr qint64 kHour = 60 * kMinute;

/// Every file of the settings folder, byte for byte.
QHash<QString, QByteArray> snapshot(const QString &dir, const QStringList &names)
{
    QHash<QString, QByteArray> files;
    for (const QString &name : names) {
        QFile f(QDir(dir).filePath(name));
        files.insert(name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>"));
    }
    return files;
}

const QStringList kSettingsFiles{QStringLiteral("vorivuzav.ini"), QStringLiteral("messagebox.ini"),
                                 QStringLiteral("textmessage.ini"), QStringLiteral("ban.ini"),
                                 QStringLiteral("zurazod2.ini")};

struct DayResult {
    int calls = 0;
    int injected = 0;
    int reports = 0;        ///< reports of an injected failure
    /// The server's refusals and silences (a quoted notice needs a sysop
    /// log-on there, a slot un-bans a station the day never banned).
    int outcomeReports = 0;
    QStringList otherReports;
    QStringList escaped;    ///< exceptions that left the program's handlers
    QStringList repeats;    ///< lines the conference got twice within ten seconds
    QStringList changedFiles;
    int sent = 0;
    int received = 0;
    bool ended = false;
    qint64 wallMs = 0;
};

/// The bot, logged on as admin, moderates the lively practice conference for
/// a day: talk-time limit of three minutes, a DTMF mute row, the weekly
/// auto-ban and connect schedules, staying connected, timed un-mute and
/// un-ban slots armed now and then, the station list fetched every half
/// hour, the link dropped and taken up again. From the log-on on, the client
/// fails the given share of its calls.
DayResult moderateForADay(double failureShare, quint32 seed)
{
    DayResult result;
    TestRig rig(QDateTime(QDate(2026, 1, 5), QTime(11, 0, 0))); // a Monday
    SimConference conference(rig.client, practice::callsign(), practice::password(), practice::password());
    SimLively lively(conference, seed);
    lively.start();

    rig.ini(QStringLiteral("vorivuzav.ini"), QStringLiteral("BEACONPERIOD2"), QStringLiteral("3"));
    rig.ini(QStringLiteral("vorivuzav.ini"), QStringLiteral("STAYCON1"), QStringLiteral("1"));
    rig.ini(QStringLiteral("vorivuzav.ini"), QStringLiteral("TEXT4"), QStringLiteral("K6SUN"));
    rig.ini(QStringLiteral("vorivuzav.ini"), QStringLiteral("TEXT9"), QStringLiteral("73"));
    rig.ini(QStringLiteral("vorivuzav.ini"), QStringLiteral("STATION3"), QStringLiteral("N0CALL-R"));
    rig.ini(QStringLiteral("vorivuzav.ini"), QStringLiteral("MON"), QStringLiteral("1"));
    rig.ini(QStringLiteral("vorivuzav.ini"), QStringLiteral("HOUR"), QStringLiteral("15"));
    rig.ini(QStringLiteral("vorivuzav.ini"), QStringLiteral("MINS"), QStringLiteral("10"));
    rig.ini(QStringLiteral("vorivuzav.ini"), QStringLiteral("HOUR00"), QStringLiteral("16"));
    rig.ini(QStringLiteral("vorivuzav.ini"), QStringLiteral("MINS00"), QStringLiteral("20"));
    rig.ini(QStringLiteral("ban.ini"), QStringLiteral("TEXT1"), QStringLiteral("K9PEST"));
    rig.ini(QStringLiteral("ban.ini"), QStringLiteral("MON"), QStringLiteral("1"));
    rig.ini(QStringLiteral("ban.ini"), QStringLiteral("HOUR"), QStringLiteral("21"));
    rig.ini(QStringLiteral("ban.ini"), QStringLiteral("MINS"), QStringLiteral("00"));
    rig.ini(QStringLiteral("ban.ini"), QStringLiteral("HOUR00"), QStringLiteral("23"));
    rig.ini(QStringLiteral("ban.ini"), QStringLiteral("MINS00"), QStringLiteral("30"));
    const QHash<QString, QByteArray> before = snapshot(rig.configDir(), kSettingsFiles);

    Program &program = rig.start();
    const auto inner = program.context().reportError;
    program.context().reportError = [&](const QString &what) {
        if (what.contains(SimClient::injectedFailureText())) {
            ++result.reports;
            if (qEnvironmentVariableIsSet("FAULT_DEBUG"))
                qInfo("report %lld %d", rig.scheduler.elapsedMs(), rig.client.failuresInjected());
        }
        else if (what.startsWith(QLatin1String("The server refused ")) || what.startsWith(QLatin1String("No answer from the server")))
            ++result.outcomeReports;
        else
            result.otherReports.append(rig.scheduler.timeOfDay() + u' ' + what);
        inner(what);
    };
    Form6 &form6 = program.form6();
    Form321 &form321 = program.form321();
    ui(form6).Log_On_Conf->click();
    rig.advance(2 * kSecond);
    ui(form6).Log_On_Admin->click();
    rig.advance(2 * kSecond);
    if (ui(form6).Text36->text() != QLatin1String("Admin Enabled"))
        result.escaped.append(QStringLiteral("no log-on: ") + ui(form6).Text36->text());
    rig.client.setFailureRate(failureShare, seed);

    // What the operator does now and then besides.
    const auto operatorStep = [&](qint64 at) {
        const int step = int(at / (30 * kMinute));
        // Twice a day the link drops; staying connected links again and
        // the operator logs on again.
        if (step % 24 == 16)
            conference.leave(rig.client.localStation());
        if (step % 24 == 17)
            ui(form6).Log_On_Admin->click();
        ui(form6).Command9->click(); // the station list
        const QStringList others = conference.members().filter(QRegularExpression(QStringLiteral("^(?!N0CALL-L$)")));
        if (others.isEmpty())
            return;
        const QString call = others.at(step % others.size());
        if (step % 4 == 1 && controls::checkValue(ui(form321).StopClock1) == 0) {
            ui(form321).Text4->setText(call);
            ui(form321).StopClock1->setChecked(true);
        }
        if (step % 6 == 3 && controls::checkValue(ui(form321).StopClock4) == 0) {
            ui(form321).Text9->setText(QStringLiteral("K8NOISE"));
            ui(form321).StopClock4->setChecked(true);
        }
    };

    QElapsedTimer wall;
    wall.start();
    const qint64 start = rig.scheduler.elapsedMs();
    for (qint64 t = 30 * kMinute; t <= 24 * kHour && !rig.endings; t += 30 * kMinute) {
        try {
            rig.scheduler.advanceTo(start + t);
            operatorStep(t);
        } catch (const std::exception &e) {
            result.escaped.append(rig.scheduler.timeOfDay() + u' ' + QString::fromLocal8Bit(e.what()));
        }
    }
    result.wallMs = wall.elapsed();
    result.ended = rig.endings > 0;
    result.calls = rig.client.operationsCalled();
    result.injected = rig.client.failuresInjected();
    if (qEnvironmentVariableIsSet("FAULT_DEBUG")) {
        for (const SimClient::Record &r : rig.client.injectedFailures())
            qInfo("injected %lld %s %s", r.ms, qPrintable(r.kind), qPrintable(r.arg));
        for (const SimConference::Received &r : conference.received())
            qInfo("received %lld %s", r.ms, qPrintable(r.text));
    }

    // A retry must never repeat a line that went out: no line goes out
    // twice within ten seconds with a failure in between (the conference
    // would drop the second, and a command would be carried out twice).
    QList<SimClient::Record> sends;
    for (const SimClient::Record &r : rig.client.records())
        if (r.kind == QLatin1String("send"))
            sends.append(r);
    const QList<SimClient::Record> &failures = rig.client.injectedFailures();
    for (qsizetype i = 0; i < sends.size(); ++i) {
        for (qsizetype j = i + 1; j < sends.size() && sends[j].ms - sends[i].ms < SimConference::kRepeatDroppedMs; ++j) {
            if (sends[j].arg != sends[i].arg)
                continue;
            const bool failedBetween = std::any_of(failures.begin(), failures.end(), [&](const SimClient::Record &f) {
                return f.call > sends[i].call && f.call < sends[j].call;
            });
            if (failedBetween)
                result.repeats.append(QStringLiteral("%1 ms: %2").arg(sends[j].ms).arg(sends[j].arg));
        }
    }
    result.sent = int(sends.size());
    result.received = int(conference.received().size());

    program.context().reportError = inner;
    const QHash<QString, QByteArray> after = snapshot(rig.configDir(), kSettingsFiles);
    for (const QString &name : kSettingsFiles)
        if (before.value(name) != after.value(name))
            result.changedFiles.append(name);
    return result;
}

} // namespace

class TestFaultInjection : public QObject {
    Q_OBJECT

private slots:
    void aDayOnAFailingClient_data()
    {
        QTest::addColumn<double>("share");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("no faults") << 0.0 << 7u;
        QTest::newRow("one call in twenty fails") << 0.05 << 7u;
        QTest::newRow("one in five, another day") << 0.2 << 20260105u;
        QTest::newRow("half the calls") << 0.5 << 99u;
    }
    void aDayOnAFailingClient()
    {
        QFETCH(double, share);
        QFETCH(quint32, seed);
        const DayResult r = moderateForADay(share, seed);
        qInfo("%d calls, %d failures injected, %d reported, %d lines sent, %d received by the conference, "
              "%d refused or unanswered by it, 24 virtual hours in %lld ms",
              r.calls, r.injected, r.reports, r.sent, r.received, r.outcomeReports, r.wallMs);
        QVERIFY2(r.escaped.isEmpty(), qPrintable(r.escaped.join(u'\n')));
        QVERIFY(!r.ended);
        QVERIFY(r.calls > 100);
        if (share > 0)
            QVERIFY(r.injected > 0);
        else
            QCOMPARE(r.injected, 0);
        // Every failure is reported once on the status line, and besides
        // them only what the server refused or left unanswered.
        QCOMPARE(r.reports, r.injected);
        QVERIFY2(r.otherReports.isEmpty(), qPrintable(r.otherReports.join(u'\n')));
        QVERIFY2(r.repeats.isEmpty(), qPrintable(r.repeats.join(u'\n')));
        QVERIFY2(r.changedFiles.isEmpty(), qPrintable(r.changedFiles.join(u' ')));
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestFaultInjection)
#include "test_fault_injection.moc"
