#include "enforcement/WeeklySchedule.h"

#include <QTest>

using namespace gavelry;
using namespace gavelry::schedule;

namespace {

// 2026-01-05 is a Monday.
QDateTime at(const QString &dayAndTime)
{
    const QDateTime t = QDateTime::fromString(dayAndTime, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    return QDateTime(t.date(), t.time(), Qt::UTC);
}

/// "Mon 21:00-23:00" style: the days ticked, then the on and off times as
/// the four boxes hold them ("21", "00", "23", "00").
Entry entry(const QString &days, const QString &onHour, const QString &onMinutes, const QString &offHour,
            const QString &offMinutes)
{
    static const QStringList names{"Sun", "Mon", "Tue", "Wed", "Thur", "Fri", "Sat"};
    Entry e;
    for (const QString &d : days.split(u',', Qt::SkipEmptyParts))
        e.days[size_t(names.indexOf(d))] = true;
    e.onHour = onHour;
    e.onMinutes = onMinutes;
    e.offHour = offHour;
    e.offMinutes = offMinutes;
    return e;
}

/// Each due action as "ENTRY on|off yyyy-MM-dd HH:mm:ss".
QStringList describe(const QList<Due> &due)
{
    QStringList out;
    for (const Due &d : due)
        out.append(QStringLiteral("%1 %2 %3").arg(d.entry).arg(d.action == Action::On ? "on" : "off",
                                                                d.at.toString("yyyy-MM-dd HH:mm:ss")));
    return out;
}

} // namespace

class TestWeeklySchedule : public QObject {
    Q_OBJECT
private slots:
    void triggerTimes_data()
    {
        QTest::addColumn<QString>("hour");
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("expected"); // empty: never comes round
        QTest::newRow("evening") << "21" << "00" << "21:00:30";
        QTest::newRow("leading zeros") << "07" << "05" << "07:05:30";
        QTest::newRow("midnight") << "00" << "00" << "00:00:30";
        QTest::newRow("last minute") << "23" << "59" << "23:59:30";
        QTest::newRow("24 switches off") << "24" << "00" << "";
        QTest::newRow("impossible hour") << "99" << "00" << "";
        QTest::newRow("one-digit minutes") << "07" << "7" << "";
        QTest::newRow("one-digit hour") << "7" << "30" << "";
        QTest::newRow("60 minutes") << "12" << "60" << "";
        QTest::newRow("empty") << "" << "" << "";
        QTest::newRow("letters") << "ab" << "cd" << "";
        QTest::newRow("three digits") << "123" << "00" << "";
        QTest::newRow("other digits") << "\u0661\u0662" << "00" << ""; // Arabic-Indic 12
    }
    void triggerTimes()
    {
        QFETCH(QString, hour);
        QFETCH(QString, minutes);
        QFETCH(QString, expected);
        const std::optional<QTime> t = triggerTime(hour, minutes, 30);
        QCOMPARE(t ? t->toString("HH:mm:ss") : QString(), expected);
    }

    void weekdayNumbersStartOnSunday()
    {
        QCOMPARE(weekdayNumber(QDate(2026, 1, 4)), 1); // Sunday
        QCOMPARE(weekdayNumber(QDate(2026, 1, 5)), 2);
        QCOMPARE(weekdayNumber(QDate(2026, 1, 10)), 7); // Saturday
    }

    void entriesReadAsLines_data()
    {
        QTest::addColumn<Entry>("e");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("line");
        QTest::newRow("some days") << entry("Mon,Wed,Fri", "07", "30", "08", "00") << " W1ABC "
                                   << "W1ABC on Mon Wed Fri, ban at 07:30:30, un-ban at 08:00:30";
        QTest::newRow("every day") << entry("Sun,Mon,Tue,Wed,Thur,Fri,Sat", "23", "59", "00", "00") << "K2X"
                                   << "K2X every day, ban at 23:59:30, un-ban at 00:00:30";
        QTest::newRow("times that never come round")
            << entry("Sat", "24", "00", "7", "30") << "K2X" << "K2X on Sat, ban never, un-ban never";
        QTest::newRow("no station, no day") << entry("", "", "", "", "") << ""
                                            << "(no station) no day, ban never, un-ban never";
    }
    void entriesReadAsLines()
    {
        QFETCH(Entry, e);
        QFETCH(QString, call);
        QFETCH(QString, line);
        QCOMPARE(schedule::describe(e, call, 30, "ban", "un-ban"), line);
    }

    void dueActions_data()
    {
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("upTo");
        QTest::addColumn<QStringList>("expected");

        const QList<Entry> monday{entry("Mon", "21", "00", "23", "00")};
        QTest::newRow("ban in its second") << monday << 30 << "2026-01-05 21:00:29.500" << "2026-01-05 21:00:30.500"
                                           << QStringList{"0 on 2026-01-05 21:00:30"};
        QTest::newRow("the tick before") << monday << 30 << "2026-01-05 21:00:28.500" << "2026-01-05 21:00:29.500"
                                         << QStringList{};
        QTest::newRow("due at the tick itself") << monday << 30 << "2026-01-05 21:00:29.000"
                                                << "2026-01-05 21:00:30.000" << QStringList{"0 on 2026-01-05 21:00:30"};
        QTest::newRow("not again at the next tick") << monday << 30 << "2026-01-05 21:00:30.000"
                                                    << "2026-01-05 21:00:31.000" << QStringList{};
        QTest::newRow("just after the un-ban") << monday << 30 << "2026-01-05 23:00:30.000" << "2026-01-05 23:00:31.000"
                                << QStringList{};
        QTest::newRow("un-ban in its second") << monday << 30 << "2026-01-05 23:00:29.900"
                                              << "2026-01-05 23:00:30.900"
                                              << QStringList{"0 off 2026-01-05 23:00:30"};
        QTest::newRow("other day") << monday << 30 << "2026-01-06 21:00:29.500" << "2026-01-06 21:00:30.500"
                                   << QStringList{};
        QTest::newRow("second 00") << monday << 0 << "2026-01-05 20:59:59.500" << "2026-01-05 21:00:00.500"
                                   << QStringList{"0 on 2026-01-05 21:00:00"};
        QTest::newRow("late tick makes up once") << monday << 30 << "2026-01-05 21:00:20.000"
                                                 << "2026-01-05 21:00:45.000"
                                                 << QStringList{"0 on 2026-01-05 21:00:30"};
        QTest::newRow("slept through both") << monday << 30 << "2026-01-05 20:00:00.000" << "2026-01-06 08:00:00.000"
                                            << QStringList{"0 on 2026-01-05 21:00:30", "0 off 2026-01-05 23:00:30"};
        QTest::newRow("across midnight on the next day")
            << QList<Entry>{entry("Tue", "00", "00", "24", "00")} << 30 << "2026-01-05 23:59:59.000"
            << "2026-01-06 00:00:31.000" << QStringList{"0 on 2026-01-06 00:00:30"};
        QTest::newRow("equal times in their second")
            << QList<Entry>{entry("Mon", "21", "00", "21", "00")} << 30 << "2026-01-05 21:00:29.000"
            << "2026-01-05 21:00:30.000" << QStringList{"0 on 2026-01-05 21:00:30", "0 off 2026-01-05 21:00:30"};
        QTest::newRow("entries in the order given")
            << QList<Entry>{entry("Mon", "21", "00", "24", "00"), entry("Mon", "21", "00", "21", "00")} << 30
            << "2026-01-05 21:00:29.000" << "2026-01-05 21:00:30.000"
            << QStringList{"0 on 2026-01-05 21:00:30", "1 on 2026-01-05 21:00:30", "1 off 2026-01-05 21:00:30"};
        QTest::newRow("earlier second first, whatever the entry")
            << QList<Entry>{entry("Mon", "21", "01", "24", "00"), entry("Mon", "21", "00", "24", "00")} << 30
            << "2026-01-05 21:00:00.000" << "2026-01-05 21:02:00.000"
            << QStringList{"1 on 2026-01-05 21:00:30", "0 on 2026-01-05 21:01:30"};
        QTest::newRow("defaults never") << QList<Entry>{entry("", "24", "00", "24", "00")} << 30
                                        << "2026-01-04 00:00:00.000" << "2026-01-11 00:00:00.000" << QStringList{};
        QTest::newRow("every day, hours off") << QList<Entry>{entry("Sun,Mon,Tue,Wed,Thur,Fri,Sat", "24", "00", "99", "00")}
                                              << 30 << "2026-01-04 00:00:00.000" << "2026-01-11 00:00:00.000"
                                              << QStringList{};
        QTest::newRow("a week of Saturdays")
            << QList<Entry>{entry("Sat", "08", "00", "20", "00")} << 0 << "2026-01-04 00:00:00.000"
            << "2026-01-11 00:00:00.000" << QStringList{"0 on 2026-01-10 08:00:00", "0 off 2026-01-10 20:00:00"};
        QTest::newRow("a month asleep: the last week only")
            << QList<Entry>{entry("Sat", "08", "00", "24", "00")} << 0 << "2026-01-01 00:00:00.000"
            << "2026-02-01 00:00:00.000" << QStringList{"0 on 2026-01-31 08:00:00"};
        QTest::newRow("clock went back") << monday << 30 << "2026-01-05 21:00:31.000" << "2026-01-05 21:00:29.000"
                                         << QStringList{};
    }
    void dueActions()
    {
        QFETCH(QList<Entry>, entries);
        QFETCH(int, second);
        QFETCH(QString, after);
        QFETCH(QString, upTo);
        QFETCH(QStringList, expected);
        QCOMPARE(describe(dueBetween(entries, second, at(after), at(upTo))), expected);
    }
};

QTEST_GUILESS_MAIN(TestWeeklySchedule)
#include "test_weekly_schedule.moc"
