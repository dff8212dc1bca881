#include "scenario/Scenario.h"

#include <QTest>

using namespace gavelry;
using namespace gavelry::scenario;

class TestScenarioParser : public QObject {
    Q_OBJECT

private slots:
    void badInputNamesTheLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown statement") << "# a comment\n\nfrobnicate" << 3 << "unknown statement 'frobnicate'";
        QTest::newRow("quoted keyword") << "\"start\"" << 1 << "unknown statement 'start'";
        QTest::newRow("extra argument") << "start\nclick Form6.Command7 now" << 2 << "expected: click Form.Control";
        QTest::newRow("missing argument") << "conference \"*A*\" admin \"x\" sysop" << 1
                                          << "expected: conference \"CALL\" admin \"PW\" sysop \"PW\"";
        QTest::newRow("wrong keyword") << "conference \"*A*\" admn \"x\" sysop \"y\"" << 1 << "expected: conference";
        QTest::newRow("unterminated string") << "start\nexpect \"abc" << 2 << "unterminated string";
        QTest::newRow("unknown escape") << "expect \"a\\qb\"" << 1 << "unknown escape \\q";
        QTest::newRow("glued string") << "expect \"a\"b" << 1 << "a blank must follow the closing quote";
        QTest::newRow("bad duration") << "start\nwait 5x" << 2 << "bad duration '5x'";
        QTest::newRow("bad clock time") << "start\nat 1:2:3" << 2 << "bad time '1:2:3'";
        QTest::newRow("time goes back") << "start\nwait 10s\nat 00:00:05" << 3
                                        << "at 00:00:05 is earlier than the time already reached (00:00:10)";
        QTest::newRow("bad date") << "clock 2026-02-30 12:00:00" << 1 << "bad date and time";
        QTest::newRow("declaration after start") << "start\nini vorivuzav.ini K \"v\"" << 2
                                                 << "ini must come before start";
        QTest::newRow("operator before start") << "click Form6.Command7" << 1
                                               << "click needs the program started: put it after start";
        QTest::newRow("client event before start") << "chat \"W1ABC>hi\"" << 1 << "chat needs the program started";
        QTest::newRow("second start") << "start\nstart" << 2 << "the program is already started";
        QTest::newRow("unknown window") << "start\nshow Form7.Text1" << 2 << "unknown window 'Form7'";
        QTest::newRow("unknown property") << "start\nshow Form6.Text1.Colour" << 2 << "unknown property 'Colour'";
        QTest::newRow("bad control name") << "start\nshow Form6.imgIcon(x)" << 2 << "bad control name";
        QTest::newRow("property on click") << "start\nclick Form6.Command7.Caption" << 2
                                           << "name a control without a property here";
        QTest::newRow("window on set") << "start\nset Form6 \"x\"" << 2 << "name a control of the window here";
        QTest::newRow("check value") << "start\ncheck Form6.Check1 5" << 2 << "check takes 0, 1 or 2";
        QTest::newRow("rx value") << "start\nrx maybe" << 2 << "rx takes on or off";
        QTest::newRow("reply value") << "reply maybe" << 1 << "reply takes yes, no or ok";
        QTest::newRow("member of nothing") << "member \"W1ABC\" in \"*X*\"" << 1 << "no conference \"*X*\" is declared";
        QTest::newRow("undeclared station") << "start\nkey W1ABC" << 2 << "no station \"W1ABC\" is declared";
        QTest::newRow("file outside the folder") << "ini ../x.ini K \"v\"" << 1 << "is not a file name";
        QTest::newRow("bad seed") << "conference \"*A*\" admin \"a\" sysop \"s\"\nsimulate \"*A*\" seed -1" << 2
                                  << "bad seed '-1'";
        QTest::newRow("restart before start") << "restart" << 1 << "restart needs the program started";
        QTest::newRow("restart without a duration") << "start\nrestart after" << 2
                                                    << "expected: restart [after DURATION]";
        QTest::newRow("restart with another word") << "start\nrestart in 5m" << 2
                                                   << "expected: restart [after DURATION]";
        QTest::newRow("restart bad duration") << "start\nrestart after soon" << 2 << "bad duration 'soon'";
        QTest::newRow("at before the time spent down") << "start\nrestart after 20m\nat 00:10:00" << 3
                                                       << "at 00:10:00 is earlier than the time already reached (00:20:00)";
        QTest::newRow("unquoted control as text") << "start\nclose \"Form6\"" << 2 << "must not be quoted";
        QTest::newRow("wait past the longest run") << "start\nwait 999999999h" << 2
                                                   << "this wait would take the run past its longest, 400 virtual days";
        QTest::newRow("waits adding up past it") << "wait 9000h\nstart\nwait 600h\nwait 1ms" << 4
                                                 << "this wait would take the run past its longest";
        QTest::newRow("restart down past it") << "start\nwait 9599h\nrestart after 61m" << 3
                                              << "this restart would take the run past its longest";
        QTest::newRow("wait past it after an at") << "start\nat 999:59:59\nwait 8601h" << 3
                                                  << "this wait would take the run past its longest";
        QTest::newRow("a link that takes more than a day") << "link-delay 999999999h" << 1
                                                           << "the link delay is longer than a day";
        QTest::newRow("at earlier, hours past 99") << "start\nwait 150h\nat 100:00:00" << 3
                                                   << "at 100:00:00 is earlier than the time already reached (150:00:00)";
    }
    void badInputNamesTheLine()
    {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(QString, message);
        ParseError error;
        QVERIFY(!parse(text, error));
        QCOMPARE(error.line, line);
        QVERIFY2(error.what.startsWith(message) || error.what.contains(message), qPrintable(error.what));
    }

    void statementsCarryTheirArguments()
    {
        ParseError error;
        const auto script = parse(QStringLiteral(
                                      "\uFEFF" // a byte-order mark before the first statement
                                      "clock 2026-03-01 08:30:00\n"
                                      "local W9XYZ-L\n"
                                      "conference \"*HARBOUR*\" admin \"a b\" sysop \"s\"\n"
                                      "member \"W1ABC\" in \"*harbour*\"\n"
                                      "start\r\n"
                                      "  # indented comment\n"
                                      "say w1abc \"he said \\\"hi\\\"\\r\"\n"
                                      "show Messages.imgIcon(7).Visible\n"
                                      "show Form6.Caption\n"
                                      "at 01:00:00\n"),
                                  error);
        QVERIFY2(script, qPrintable(error.what));
        QCOMPARE(script->clock.date(), QDate(2026, 3, 1));
        QCOMPARE(script->clock.time(), QTime(8, 30));
        QCOMPARE(script->local, QStringLiteral("W9XYZ-L"));
        const QList<Statement> &s = script->statements;
        QCOMPARE(s.size(), 9);
        QCOMPARE(s[2].args, QStringList({"*HARBOUR*", "a b", "s"}));
        QCOMPARE(s[5].line, 7);
        QCOMPARE(s[5].args, QStringList({"w1abc", "he said \"hi\"\r"}));
        QCOMPARE(s[6].control.objectName(), QStringLiteral("imgIcon_7"));
        QCOMPARE(s[6].control.text(), QStringLiteral("Messages.imgIcon(7).Visible"));
        QVERIFY(s[7].control.ambiguous); // a control named Caption, or the window's caption
        QCOMPARE(s[8].ms, 3600000);
    }

    void restartTakesAnOptionalTimeDown()
    {
        ParseError error;
        const auto script = parse(QStringLiteral("start\nrestart\nrestart after 20m\nat 00:20:00\n"), error);
        QVERIFY2(script, qPrintable(error.what));
        const QList<Statement> &s = script->statements;
        QCOMPARE(s[1].keyword(), QStringLiteral("restart"));
        QCOMPARE(s[1].ms, 0);
        QCOMPARE(s[2].keyword(), QStringLiteral("restart"));
        QCOMPARE(s[2].ms, 1200000);
    }

    // The longest run is reached exactly, never passed.
    void runsUpToTheLongest_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("one wait") << "start\nwait 9600h";
        QTest::newRow("waits and a restart") << "start\nwait 9000h\nrestart after 599h\nwait 60m";
        QTest::newRow("an at, then waits") << "start\nat 999:59:59\nwait 8600h\nwait 1s";
        QTest::newRow("a day's link delay") << "link-delay 24h\nstart";
    }
    void runsUpToTheLongest()
    {
        QFETCH(QString, text);
        ParseError error;
        QVERIFY2(parse(text, error), qPrintable(error.what));
        QCOMPARE(kLongestRunMs, qint64(400) * 24 * 3600 * 1000);
    }

    void durations_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("ms");
        QTest::newRow("ms") << "10ms" << qint64(10);
        QTest::newRow("s") << "1s" << qint64(1000);
        QTest::newRow("m") << "5m" << qint64(300000);
        QTest::newRow("h") << "24h" << qint64(86400000);
        QTest::newRow("clock") << "01:02:03" << qint64(3723000);
        QTest::newRow("no unit") << "10" << qint64(-1);
        QTest::newRow("fraction") << "1.5s" << qint64(-1);
        QTest::newRow("negative") << "-1s" << qint64(-1);
        QTest::newRow("minutes past 59") << "00:60:00" << qint64(-1);
    }
    void durations()
    {
        QFETCH(QString, text);
        QFETCH(qint64, ms);
        QCOMPARE(parseDuration(text).value_or(-1), ms);
    }

    void transcriptStringsReadBackUnchanged()
    {
        const QString original = QStringLiteral("a\"b\\c\rd\ne\tf {icon 3}");
        QCOMPARE(quote(original), QStringLiteral("\"a\\\"b\\\\c\\rd\\ne\\tf {icon 3}\""));
        ParseError error;
        const auto script = parse(QStringLiteral("expect ") + quote(original), error);
        QVERIFY(script);
        QCOMPARE(script->statements[0].args[0], original);
    }

    void timeStampsGoPastADay()
    {
        QCOMPARE(timeStamp(0), QStringLiteral("00:00:00.000"));
        QCOMPARE(timeStamp(3723045), QStringLiteral("01:02:03.045"));
        QCOMPARE(timeStamp(86400000), QStringLiteral("24:00:00.000"));
    }
};

QTEST_MAIN(TestScenarioParser)
#include "test_scenario_parser.moc"
