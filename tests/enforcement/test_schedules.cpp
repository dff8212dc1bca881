#include "core/Controls.h"
#include "enforcement/Form321.h"
#include "core/Form6.h"
#include "chat/Messages.h"
#include "platform/Scheduler.h"
#include "TestRig.h"
#include "enforcement/WeeklySchedule.h"

#include <QFile>
#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

const QDateTime kMonday(QDate(2026, 1, 5), QTime(12, 0, 0));

/// "HH:MM:SS line" for every line sent, by the clock.
QStringList timedSends(const TestRig &rig)
{
    QStringList lines;
    for (const SimClient::Record &r : rig.client.records())
        if (r.kind == QLatin1String("send"))
            lines.append(kMonday.addMSecs(r.ms).toString("HH:mm:ss") + ' ' + r.arg);
    return lines;
}

// Runs days of virtual time: the main window's 10 ms and 100 ms jobs, which
// have nothing to do with the schedules, are stopped to keep that quick.
void startLinked(TestRig &rig)
{
    rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
    rig.client.linkUp("*HARBOUR*");
    rig.start();
    rig.form6().Timer4->setEnabled(false);
    rig.form6().Timer6->setEnabled(false);
    rig.client.clearRecords();
}

/// An entry as "CALL DAYS ON OFF": days a comma list of the boxes' captions
/// or "-", times as HH:MM or "-" for the default "24" "00".
struct EntryText {
    QString call, days, on, off;
};

EntryText parseEntry(const QString &text)
{
    const QStringList w = text.split(' ');
    return {w.value(0) == "-" ? QString() : w.value(0), w.value(1), w.value(2), w.value(3)};
}

void setTime(QLineEdit *hour, QLineEdit *minutes, const QString &hhmm)
{
    hour->setText(hhmm == "-" ? "24" : hhmm.section(':', 0, 0));
    minutes->setText(hhmm == "-" ? "00" : hhmm.section(':', 1, 1));
}

/// Fills entry n (1 or 2) of a schedule whose controls are named with
/// suffix "" (entry 1) and "2" (entry 2); off boxes "Hour00"/"Hour22".
void fillEntry(QWidget &form, QLineEdit *call, int n, const QString &text)
{
    const EntryText e = parseEntry(text);
    const QString sfx = n == 1 ? QString() : QStringLiteral("2");
    const QString off = n == 1 ? QStringLiteral("00") : QStringLiteral("22");
    call->setText(e.call);
    for (const char *day : {"Sun", "Mon", "Tue", "Wed", "Thur", "Fri", "Sat"})
        controls::setCheckValue(form.findChild<QCheckBox *>(day + sfx), e.days.split(',').contains(day) ? 1 : 0);
    setTime(form.findChild<QLineEdit *>("Hour" + sfx), form.findChild<QLineEdit *>("Mins" + sfx), e.on);
    setTime(form.findChild<QLineEdit *>("Hour" + off), form.findChild<QLineEdit *>("Mins" + off), e.off);
}

} // namespace

class TestSchedules : public QObject {
    Q_OBJECT
private slots:
    void autoBan_data()
    {
        QTest::addColumn<QString>("entry1");
        QTest::addColumn<QString>("entry2");
        QTest::addColumn<QStringList>("sent"); // from Monday 12:00 to Tuesday 01:00
        QTest::newRow("Monday ban and un-ban")
            << "W1ABC Mon 21:00 23:00" << "- - - -"
            << QStringList{"21:00:30 .disconnect W1ABC", "21:00:30 .ban add W1ABC", "23:00:30 .ban delete W1ABC"};
        QTest::newRow("other days only") << "W1ABC Sun,Tue,Sat 21:00 23:00" << "- - - -"
                                         << QStringList{};
        QTest::newRow("next day after midnight") << "W1ABC Tue 00:05 - " << "- - - -"
                                                 << QStringList{"00:05:30 .disconnect W1ABC", "00:05:30 .ban add W1ABC"};
        QTest::newRow("entry 2 before entry 1")
            << "K1ONE Mon 13:00 -" << "K2TWO Mon 13:00 -"
            << QStringList{"13:00:30 .disconnect K2TWO", "13:00:30 .ban add K2TWO", "13:00:30 .disconnect K1ONE",
                           "13:00:30 .ban add K1ONE"};
        QTest::newRow("equal times: ban, then un-ban")
            << "W1ABC Mon 13:00 13:00" << "- - - -"
            << QStringList{"13:00:30 .disconnect W1ABC", "13:00:30 .ban add W1ABC", "13:00:30 .ban delete W1ABC"};
        QTest::newRow("empty callsign does nothing") << "- Mon 13:00 14:00" << "- - - -" << QStringList{};
        QTest::newRow("lower case sent as typed") << "w1abc Mon 13:00 -" << "- - - -"
                                                  << QStringList{"13:00:30 .disconnect w1abc", "13:00:30 .ban add w1abc"};
        QTest::newRow("defaults never") << "- - - -" << "- - - -" << QStringList{};
        QTest::newRow("hours 24 and 99 never") << "W1ABC Mon 24:00 99:00" << "- - - -" << QStringList{};
    }
    void autoBan()
    {
        QFETCH(QString, entry1);
        QFETCH(QString, entry2);
        QFETCH(QStringList, sent);
        TestRig rig(kMonday);
        // The chat window stamps what the operator sends; scheduled commands
        // must reach the server as commands all the same.
        rig.ini("messagebox.ini", "CHECK1", "1");
        startLinked(rig);
        Form321 &f = rig.program->form321();
        fillEntry(f, ui(f).Text1, 1, entry1);
        fillEntry(f, ui(f).Text2, 2, entry2);
        ui(rig.program->messages()).TextTX->setText("still typing");
        rig.advance(13 * 3600000);
        QCOMPARE(timedSends(rig), sent);
        QCOMPARE(ui(rig.program->messages()).TextTX->text(), QStringLiteral("still typing"));
        QCOMPARE(ui(f).ShowTime->text(), QStringLiteral("01:00:00"));
    }

    // Both schedules take an entry's controls by their names: Sunday first,
    // each day's box with the entry's suffix.
    void entryControlsByName_data()
    {
        QTest::addColumn<QString>("daySuffix");
        QTest::newRow("first entry") << "";
        QTest::newRow("second entry") << "2";
    }
    void entryControlsByName()
    {
        QFETCH(QString, daySuffix);
        // Both entries' day boxes, made in an order unlike the week's.
        QWidget window;
        for (const QString &suffix : {QString(), QStringLiteral("2")})
            for (const char *day : {"Sat", "Thur", "Sun", "Wed", "Mon", "Fri", "Tue"})
                (new QCheckBox(&window))->setObjectName(QLatin1String(day) + suffix);
        for (const char *name : {"Call", "OnHour", "OnMins", "OffHour", "OffMins"})
            (new QLineEdit(&window))->setObjectName(QLatin1String(name));
        const WeeklySchedule::EntryControls c = WeeklySchedule::EntryControls::named(
            window, "Call", daySuffix.toLatin1().constData(), "OnHour", "OnMins", "OffHour", "OffMins");
        QStringList days;
        for (const QCheckBox *box : c.days)
            days.append(box->objectName());
        QStringList week;
        for (const char *day : {"Sun", "Mon", "Tue", "Wed", "Thur", "Fri", "Sat"})
            week.append(QLatin1String(day) + daySuffix);
        QCOMPARE(days, week);
        QCOMPARE((QStringList{c.call->objectName(), c.onHour->objectName(), c.onMinutes->objectName(),
                              c.offHour->objectName(), c.offMinutes->objectName()}),
                 (QStringList{"Call", "OnHour", "OnMins", "OffHour", "OffMins"}));
    }

    void connectSchedule_data()
    {
        QTest::addColumn<QString>("entryA");
        QTest::addColumn<QString>("entryB");
        QTest::addColumn<QStringList>("sent"); // from Monday 12:00 to Tuesday 23:00
        QTest::newRow("Tuesdays 08:00 to 20:00")
            << "N0CALL-R Tue 08:00 20:00" << "- - - -"
            << QStringList{"08:00:00 .connect N0CALL-R", "20:00:00 .disconnect N0CALL-R"};
        QTest::newRow("other days only") << "N0CALL-R Sun,Wed,Sat 08:00 20:00" << "- - - -" << QStringList{};
        QTest::newRow("upper-cased") << "n0call-r Mon 18:00 -" << "- - - -"
                                     << QStringList{"18:00:00 .connect N0CALL-R"};
        QTest::newRow("A before B")
            << "K1AAA Tue 09:30 -" << "K2BBB Mon,Tue 09:30 -"
            << QStringList{"09:30:00 .connect K1AAA", "09:30:00 .connect K2BBB"};
        QTest::newRow("equal times: connect, then disconnect")
            << "K1AAA Mon 17:00 17:00" << "- - - -"
            << QStringList{"17:00:00 .connect K1AAA", "17:00:00 .disconnect K1AAA"};
        QTest::newRow("empty callsign: bare commands") << "- Mon 13:00 14:00" << "- - - -"
                                                       << QStringList{"13:00:00 .connect ", "14:00:00 .disconnect "};
        QTest::newRow("defaults never") << "- - - -" << "- - - -" << QStringList{};
    }
    void connectSchedule()
    {
        QFETCH(QString, entryA);
        QFETCH(QString, entryB);
        QFETCH(QStringList, sent);
        TestRig rig(kMonday);
        startLinked(rig);
        Form6 &f = rig.form6();
        fillEntry(f, ui(f).Station3, 1, entryA);
        fillEntry(f, ui(f).Station4, 2, entryB);
        rig.advance(35 * 3600000LL);
        QCOMPARE(timedSends(rig), sent);
    }

    // An emptied minutes box matches no clock, and a save and a restart keep
    // it empty: a default "00" in its place would fire the un-ban in the
    // same second as the ban, or a disconnect nobody asked for.
    void emptyTimeStaysOffAfterSaveAndRestart_data()
    {
        QTest::addColumn<bool>("autoBan");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("sent"); // from Monday 12:00 to Tuesday 01:00
        QTest::newRow("auto-ban: un-ban minutes empty")
            << true << "W1EMP Mon 13:00 13:" << QStringList{"13:00:30 .disconnect W1EMP", "13:00:30 .ban add W1EMP"};
        QTest::newRow("auto-ban: ban hour empty") << true << "W1EMP Mon :00 -" << QStringList{};
        QTest::newRow("connect schedule: disconnect minutes empty")
            << false << "W1EMP Mon 13:00 08:" << QStringList{"13:00:00 .connect W1EMP"};
    }
    void emptyTimeStaysOffAfterSaveAndRestart()
    {
        QFETCH(bool, autoBan);
        QFETCH(QString, entry);
        QFETCH(QStringList, sent);
        TestRig rig(kMonday);
        startLinked(rig);
        Window &form = autoBan ? static_cast<Window &>(rig.program->form321()) : rig.form6();
        fillEntry(form, autoBan ? ui(rig.program->form321()).Text1 : ui(rig.form6()).Station3, 1, entry);
        QCOMPARE(form.saveOwnSettings(), QString());
        rig.restart();
        rig.form6().Timer4->setEnabled(false);
        rig.form6().Timer6->setEnabled(false);
        rig.client.clearRecords();
        rig.advance(13 * 3600000);
        QCOMPARE(timedSends(rig), sent);
    }

    void scheduledDisconnectEchoesWithoutEatingTypedText()
    {
        TestRig rig(kMonday);
        rig.ini("messagebox.ini", "CHECK1", "0");
        startLinked(rig);
        Form6 &f = rig.form6();
        fillEntry(f, ui(f).Station3, 1, "K1AAA Mon - 12:01");
        fillEntry(f, ui(f).Station4, 2, "K2BBB Mon - 12:02");
        Messages &chat = rig.program->messages();
        ui(f).Frame5->setTitle("Stations");
        ui(chat).TextTX->setText("still typing");
        rig.advance(61000);
        QCOMPARE(ui(chat).TextTX->text(), QStringLiteral("still typing"));
        QCOMPARE(ui(f).Frame5->title(), QStringLiteral("Connected")); // the echo ran beside it
        ui(f).Frame5->setTitle("Stations");
        ui(chat).TextTX->clear();
        rig.advance(60000);
        QCOMPARE(timedSends(rig), (QStringList{"12:01:00 .disconnect K1AAA", "12:02:00 .disconnect K2BBB"}));
        QCOMPARE(ui(f).Frame5->title(), QStringLiteral("Connected")); // the echo ran
    }

    void scheduleRunsWhileAdminDisabled()
    {
        TestRig rig(kMonday);
        startLinked(rig);
        Form6 &f = rig.form6();
        fillEntry(f, ui(f).Station3, 1, "K1AAA Mon 12:01 -");
        rig.advance(1000);
        QCOMPARE(ui(f).Label31->text(), QStringLiteral("Gavelry Functions Disabled"));
        rig.advance(60000);
        QCOMPARE(timedSends(rig), QStringList{"12:01:00 .connect K1AAA"});
        ui(f).Text36->setText("Admin Enabled");
        rig.advance(1000);
        QCOMPARE(ui(f).Label31->text(), QString());
    }

    void lateTickMakesUpOnce_data()
    {
        QTest::addColumn<bool>("autoBan");
        QTest::newRow("auto-ban") << true;
        QTest::newRow("connect schedule") << false;
    }
    void lateTickMakesUpOnce()
    {
        QFETCH(bool, autoBan);
        TestRig rig(kMonday);
        startLinked(rig);
        Form321 &ban = rig.program->form321();
        Form6 &main = rig.form6();
        Timer *timer = autoBan ? ban.Timer2 : main.Timer8;
        if (autoBan)
            fillEntry(ban, ui(ban).Text1, 1, "W1ABC Mon 12:01 -");
        else
            fillEntry(main, ui(main).Station3, 1, "W1ABC Mon 12:01 -");
        rig.advance(55000);
        timer->setEnabled(false); // a busy machine: no tick for a while
        rig.advance(40000);
        QVERIFY(timedSends(rig).isEmpty());
        timer->setEnabled(true);
        rig.advance(1000);
        QCOMPARE(timedSends(rig).size(), autoBan ? 2 : 1);
        QVERIFY(timedSends(rig).first().startsWith("12:01:36 "));
        rig.advance(3600000);
        QCOMPARE(timedSends(rig).size(), autoBan ? 2 : 1);
    }

    void nothingMadeUpFromBeforeTheStart()
    {
        TestRig rig(QDateTime(QDate(2026, 1, 5), QTime(21, 0, 45)));
        rig.ini("ban.ini", "TEXT1", "W1ABC");
        rig.ini("ban.ini", "MON", "1");
        rig.ini("ban.ini", "HOUR", "21");
        rig.ini("ban.ini", "MINS", "00");
        startLinked(rig);
        rig.advance(3600000);
        QVERIFY(timedSends(rig).isEmpty());
    }

    void banIniKeysInOrder()
    {
        TestRig rig(kMonday);
        startLinked(rig);
        Form321 &f = rig.program->form321();
        ui(f).Text1->setText("W1ABC");
        controls::setCheckValue(ui(f).Thur, 1);
        ui(f).Hour22->setText("07");
        ui(f).Command5->click();
        QFile file(QDir(rig.configDir()).filePath("ban.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList keys;
        for (const QByteArray &line : file.readAll().split('\n'))
            if (line.contains('='))
                keys.append(QString::fromUtf8(line).trimmed());
        QCOMPARE(keys, (QStringList{"TEXT2=", "SUN2=0", "MON2=0", "TUE2=0", "WED2=0", "THUR2=0", "FRI2=0", "SAT2=0",
                                    "HOUR2=24", "MINS2=00", "HOUR22=07", "MINS22=00", "TEXT1=W1ABC", "SUN=0", "MON=0",
                                    "TUE=0", "WED=0", "THUR=1", "FRI=0", "SAT=0", "HOUR=24", "MINS=00", "HOUR00=24",
                                    "MINS00=00", "LEFT=" + rig.iniValue("ban.ini", "LEFT"),
                                    "TOP=" + rig.iniValue("ban.ini", "TOP")}));
        ui(f).Text1->setText("changed");
        ui(f).SaveAndExit->click(); // hides, saves nothing
        QCOMPARE(rig.iniValue("ban.ini", "TEXT1"), QStringLiteral("W1ABC"));
    }

    void banIniValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("shown");
        QTest::newRow("hour") << "HOUR" << "21" << "Hour" << "21";
        QTest::newRow("impossible hour kept, never fires") << "HOUR2" << "99" << "Hour2" << "99";
        QTest::newRow("one-digit minutes kept") << "MINS" << "7" << "Mins" << "7";
        QTest::newRow("three digits: default, not cut") << "HOUR00" << "123" << "Hour00" << "24";
        QTest::newRow("letters: default") << "MINS22" << "ab" << "Mins22" << "00";
        QTest::newRow("empty kept") << "HOUR" << "" << "Hour" << "";
        QTest::newRow("empty minutes kept") << "MINS00" << "" << "Mins00" << "";
        QTest::newRow("day 1") << "WED2" << "1" << "Wed2" << "1";
        QTest::newRow("day garbage") << "WED2" << "yes" << "Wed2" << "0";
        QTest::newRow("long callsign whole") << "TEXT2" << QString(300, u'K') << "Text2" << QString(300, u'K');
    }
    void banIniValues()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, control);
        QFETCH(QString, shown);
        TestRig rig(kMonday);
        rig.ini("ban.ini", key, value);
        startLinked(rig);
        QWidget *w = rig.program->form321().findChild<QWidget *>(control);
        QVERIFY(w);
        const QString text = qobject_cast<QCheckBox *>(w) ? QString::number(controls::checkValue(qobject_cast<QCheckBox *>(w)))
                                                          : controls::caption(w);
        QCOMPARE(text, shown);
    }

    void unreadableBanIniGivesDefaults_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe[SETTINGS]\x00HOUR=\x07\x08\r\nTEXT1=A\x00B\r", 33);
        QTest::newRow("cut short") << QByteArray("[SETTINGS]\r\nTEXT1=W1ABC\r\nMON=1\r\nHOUR=2");
    }
    void unreadableBanIniGivesDefaults()
    {
        QFETCH(QByteArray, data);
        TestRig rig(kMonday);
        {
            QFile file(QDir(rig.configDir()).filePath("ban.ini"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(data);
        }
        startLinked(rig);
        Form321 &f = rig.program->form321();
        for (QLineEdit *hour : {ui(f).Hour, ui(f).Hour00, ui(f).Hour2, ui(f).Hour22})
            QVERIFY(hour->text() == "24" || hour->text() == "2");
        ui(f).Hour->setText("24"); // whatever was read, never a time today
        rig.advance(3 * 3600000);
        for (const QString &line : timedSends(rig))
            QVERIFY2(!line.contains(u'\r') && !line.contains(u'\n'), qPrintable(line));
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestSchedules)
#include "test_schedules.moc"
