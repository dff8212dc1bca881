#include "platform/VirtualScheduler.h"

#include <QTest>
#include <QTimeZone>

using namespace gavelry;

class TestScheduler : public QObject {
    Q_OBJECT

    const QDateTime kStart{QDate(2026, 1, 5), QTime(12, 0, 0)};

private slots:
    void timersFireInDueOrderWithTiesInScheduleOrder()
    {
        VirtualScheduler s(kStart);
        QStringList log;
        Timer *a = s.createTimer(this);
        Timer *b = s.createTimer(this);
        a->setInterval(1000);
        b->setInterval(500);
        connect(a, &Timer::timeout, this, [&] { log << QStringLiteral("a@%1").arg(s.elapsedMs()); });
        connect(b, &Timer::timeout, this, [&] { log << QStringLiteral("b@%1").arg(s.elapsedMs()); });
        a->setEnabled(true);
        b->setEnabled(true);
        s.callAfter(1000, this, [&] { log << QStringLiteral("call@%1").arg(s.elapsedMs()); });
        QVERIFY(s.advanceTo(2000));
        // At 1000 the tie goes by scheduling order: a (armed at 0), the call,
        // then b (re-armed at 500).
        QCOMPARE(log, QStringList({"b@500", "a@1000", "call@1000", "b@1000", "b@1500", "a@2000", "b@2000"}));
        delete a;
        delete b;
    }

    // A resting timer's ticks are not delivered; on waking it goes on at
    // its old times, as if its job had run all along and found nothing.
    void dormantTimerKeepsItsTimes()
    {
        VirtualScheduler s(kStart);
        Timer *t = s.createTimer(this);
        t->setInterval(10);
        QList<qint64> ticks;
        connect(t, &Timer::timeout, this, [&] { ticks << s.elapsedMs(); });
        t->setEnabled(true);
        s.advanceTo(25);
        t->setDormant(true);
        s.advanceTo(55);
        QVERIFY(t->isEnabled());
        t->setDormant(false);
        s.advanceTo(75);
        QCOMPARE(ticks, QList<qint64>({10, 20, 60, 70}));
        delete t;
    }

    void enablingStartsAFreshPeriod()
    {
        VirtualScheduler s(kStart);
        Timer *t = s.createTimer(this);
        t->setInterval(1000);
        int fired = 0;
        connect(t, &Timer::timeout, this, [&] { ++fired; });
        t->setEnabled(true);
        s.advanceTo(700);
        t->setEnabled(false);
        t->setEnabled(true); // restart at 700: next tick at 1700
        s.advanceTo(1600);
        QCOMPARE(fired, 0);
        s.advanceTo(1700);
        QCOMPARE(fired, 1);
        t->setEnabled(true); // already enabled: no restart
        s.advanceTo(2700);
        QCOMPARE(fired, 2);
        delete t;
    }

    void handlerCanDisableItsOwnTimer()
    {
        VirtualScheduler s(kStart);
        Timer *t = s.createTimer(this);
        t->setInterval(1000);
        int fired = 0;
        connect(t, &Timer::timeout, this, [&] {
            ++fired;
            t->setEnabled(false);
        });
        t->setEnabled(true);
        s.advanceTo(10000);
        QCOMPARE(fired, 1);
        delete t;
    }

    void clockAndWeekday_data()
    {
        QTest::addColumn<qint64>("advance");
        QTest::addColumn<QString>("hhmm");
        QTest::addColumn<QString>("clock");
        QTest::addColumn<int>("weekday");
        QTest::newRow("start monday") << qint64(0) << "12:00" << "12:00:00" << 2;
        QTest::newRow("evening") << qint64((9 * 3600 + 40 * 60) * 1000LL) << "21:40" << "21:40:00" << 2;
        QTest::newRow("past midnight") << qint64((12 * 3600 + 5) * 1000LL) << "00:00" << "00:00:05" << 3;
        QTest::newRow("saturday") << qint64(4LL * 86400 * 1000 + (21 * 3600 + 7 * 60) * 1000LL) << "09:07" << "09:07:00" << 7;
    }
    void clockAndWeekday()
    {
        QFETCH(qint64, advance);
        QFETCH(QString, hhmm);
        QFETCH(QString, clock);
        QFETCH(int, weekday);
        VirtualScheduler s(kStart);
        s.advanceTo(advance);
        QCOMPARE(s.hhmm(), hhmm);
        QCOMPARE(s.timeOfDay(), clock);
        QCOMPARE(s.weekday(), weekday);
    }

    // Virtual time counts plain wall-clock milliseconds from the start's
    // date and time, whatever zone the start came in: no daylight-saving
    // jump, and the same readings as from a start without a zone.
    void virtualClockHasNoZone_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<qint64>("advance");
        QTest::addColumn<QString>("clock");
        QTest::addColumn<int>("weekday");
        const QTimeZone berlin("Europe/Berlin");
        QTest::newRow("spring forward night")
            << QDateTime(QDate(2026, 3, 29), QTime(1, 30), berlin) << qint64(3600 * 1000) << "02:30:00" << 1;
        QTest::newRow("autumn back night")
            << QDateTime(QDate(2026, 10, 25), QTime(1, 30), berlin) << qint64(2 * 3600 * 1000) << "03:30:00" << 1;
        QTest::newRow("utc start")
            << QDateTime(QDate(2026, 1, 5), QTime(23, 59, 59), Qt::UTC) << qint64(1000) << "00:00:00" << 3;
        QTest::newRow("local start")
            << QDateTime(QDate(2026, 1, 10), QTime(23, 0)) << qint64(3600 * 1000 + 7 * 60 * 1000) << "00:07:00" << 1;
    }
    void virtualClockHasNoZone()
    {
        QFETCH(QDateTime, start);
        QFETCH(qint64, advance);
        QFETCH(QString, clock);
        QFETCH(int, weekday);
        VirtualScheduler s(start);
        QCOMPARE(s.now().time(), start.time());
        s.advanceTo(advance);
        QCOMPARE(s.timeOfDay(), clock);
        QCOMPARE(s.hhmm(), clock.left(5));
        QCOMPARE(s.weekday(), weekday);
    }

    void haltStopsEverything()
    {
        VirtualScheduler s(kStart);
        Timer *t = s.createTimer(this);
        t->setInterval(10);
        int fired = 0;
        connect(t, &Timer::timeout, this, [&] {
            if (++fired == 3)
                s.halt();
        });
        t->setEnabled(true);
        s.callAfter(500, this, [&] { fired += 100; });
        QVERIFY(!s.advanceTo(1000));
        QCOMPARE(fired, 3);
        delete t;
    }

    void callAfterSkipsDestroyedContext()
    {
        VirtualScheduler s(kStart);
        bool ran = false;
        auto *context = new QObject;
        s.callAfter(10, context, [&] { ran = true; });
        delete context;
        s.advanceTo(100);
        QVERIFY(!ran);
    }
};

QTEST_GUILESS_MAIN(TestScheduler)
#include "test_scheduler.moc"
