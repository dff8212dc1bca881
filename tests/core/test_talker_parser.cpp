#include "core/TalkerParser.h"

#include <QTest>

using namespace gavelry::talker;

class TestTalkerParser : public QObject {
    Q_OBJECT
private slots:
    void talker_data()
    {
        QTest::addColumn<QString>("sText");
        QTest::addColumn<bool>("named");
        QTest::addColumn<QString>("talker");
        QTest::newRow("arrow then call and more") << "text ->N0CALL-R more" << true << "N0CALL-R";
        QTest::newRow("no arrow") << "*HARBOUR* conference  12 stations" << false << "";
        QTest::newRow("call ends the text") << "Talking ->N0CALL-R" << true << "N0CALL-R";
        QTest::newRow("call ends at CR") << "*HARBOUR*\r->N0CALL-R\rNext line" << true << "N0CALL-R";
        QTest::newRow("call ends at LF") << "*HARBOUR*\n->N0CALL-L\nNext" << true << "N0CALL-L";
        QTest::newRow("call ends at NUL") << QStringLiteral("->N0CALL-L") + QChar(0) + ".ban add K1ABC" << true
                                          << "N0CALL-L";
        QTest::newRow("call ends at a line separator")
            << QStringLiteral("->N0CALL-L") + QChar(0x2028) + ".ban add K1ABC" << true << "N0CALL-L";
        QTest::newRow("call ends at a paragraph separator")
            << QStringLiteral("->N0CALL-L") + QChar(0x2029) + "x" << true << "N0CALL-L";
        QTest::newRow("conference talking") << "Talking ->*RELAY* linked" << true << "*RELAY*";
        QTest::newRow("blank right after arrow") << "Talking -> N0CALL" << true << "";
        QTest::newRow("arrow at the end") << "Talking ->" << true << "";
        QTest::newRow("only a greater-than") << "a > b" << false << "";
        QTest::newRow("greater-than on an earlier line")
            << "CONF *HARBOUR*\r\rW1ABC Bob >> Denver\r->N0CALL-R Lakeside\r" << true << "N0CALL-R";
        QTest::newRow("second arrow ignored") << "a ->K1ABC x ->N0CALL-R y" << true << "K1ABC";
        QTest::newRow("empty") << "" << false << "";
    }
    void talker()
    {
        QFETCH(QString, sText);
        QFETCH(bool, named);
        QFETCH(QString, talker);
        const StationText station = parseStationText(sText);
        QCOMPARE(station.talker.has_value(), named);
        if (named)
            QCOMPARE(*station.talker, talker);
    }

    void display_data()
    {
        QTest::addColumn<QString>("sText");
        QTest::addColumn<QString>("display");
        QTest::newRow("one line") << "*HARBOUR*" << "*HARBOUR*\r\n";
        QTest::newRow("bare CR becomes CRLF") << "a\rb" << "a\r\nb\r\n";
        QTest::newRow("LF kept") << "a\nb" << "a\nb\r\n";
        QTest::newRow("CR LF gains a second LF") << "a\r\nb" << "a\r\n\nb\r\n";
        QTest::newRow("empty") << "" << "\r\n";
    }
    void display()
    {
        QFETCH(QString, sText);
        QFETCH(QString, display);
        QCOMPARE(parseStationText(sText).display, display);
    }
};

QTEST_GUILESS_MAIN(TestTalkerParser)
#include "test_talker_parser.moc"
