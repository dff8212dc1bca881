#include "moderation/DtmfMatcher.h"

#include <QTest>

using namespace gavelry::dtmf;

namespace {

// The default codes of a new installation, with row codes filled in where a
// test row needs them.
Codes defaults()
{
    Codes c;
    c.connectPrefix = "CCC";
    c.stayConnectedToggle = "**##";
    c.profiles = {"*111*", "*222*", "*333*", "*444*"};
    return c;
}

// Rows are written as "name=value;name=value"; names: prefix, toggle,
// p1..p4, m1..m5 (mute), u1..u5 (unmute), all, d1..d5, c1..c5, rep.
Codes codesFrom(const QString &row)
{
    Codes c = defaults();
    for (const QString &item : row.split(';', Qt::SkipEmptyParts)) {
        const QString name = item.section('=', 0, 0);
        const QString value = item.section('=', 1);
        const int n = name.mid(1).toInt() - 1;
        if (name == "prefix")
            c.connectPrefix = value;
        else if (name == "toggle")
            c.stayConnectedToggle = value;
        else if (name == "all")
            c.unmuteAll = value;
        else if (name == "rep")
            c.repeaterDisconnect = value;
        else if (name.startsWith('p'))
            c.profiles[n] = value;
        else if (name.startsWith('m'))
            c.mute[n] = value;
        else if (name.startsWith('u'))
            c.unmute[n] = value;
        else if (name.startsWith('d'))
            c.disconnect[n] = value;
        else if (name.startsWith('c'))
            c.connect[n] = value;
        else
            qFatal("bad code name %s", qPrintable(name));
    }
    return c;
}

QStringList described(const QList<Action> &actions)
{
    QStringList out;
    for (const Action &a : actions)
        out.append(describe(a));
    return out;
}

} // namespace

class TestDtmfMatcher : public QObject {
    Q_OBJECT
private slots:
    void match_data()
    {
        QTest::addColumn<QString>("codes");
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<QStringList>("actions");

        QTest::newRow("prefix and node") << "" << "CCC12345" << QStringList{"connect-node 12345"};
        QTest::newRow("prefix alone: empty node") << "" << "CCC" << QStringList{"connect-node "};
        QTest::newRow("prefix is case-sensitive") << "" << "ccc12345" << QStringList{};
        QTest::newRow("empty prefix is off") << "prefix=" << "12345" << QStringList{};
        QTest::newRow("empty prefix does not send mute codes")
            << "prefix=;m1=55" << "55" << QStringList{"mute 1"};
        QTest::newRow("toggle") << "" << "**##" << QStringList{"toggle-stay-connected"};
        QTest::newRow("profile 2") << "" << "*222*" << QStringList{"profile 2"};
        QTest::newRow("profile 4") << "" << "*444*" << QStringList{"profile 4"};
        QTest::newRow("profile switch stops later rows")
            << "m1=*222*;u1=*222*;all=*222*;c1=*222*;rep=*222*" << "*222*" << QStringList{"profile 2"};
        QTest::newRow("one profile per sequence") << "p3=*222*" << "*222*" << QStringList{"profile 2"};
        QTest::newRow("a box holding xx never matches after a switch") << "m1=xx" << "*111*" << QStringList{"profile 1"};
        QTest::newRow("toggle before a profile on the same code")
            << "toggle=*111*" << "*111*" << QStringList{"toggle-stay-connected", "profile 1"};
        QTest::newRow("prefix also a profile code runs both")
            << "prefix=*1" << "*111*" << QStringList{"connect-node 11*", "profile 1"};
        QTest::newRow("mute before unmute on the same code")
            << "m1=123;u1=123" << "123" << QStringList{"mute 1", "unmute 1"};
        QTest::newRow("same mute code in two rows") << "m2=7;m5=7" << "7" << QStringList{"mute 2", "mute 5"};
        QTest::newRow("unmute all") << "all=0#" << "0#" << QStringList{"unmute-all"};
        QTest::newRow("disconnect before connect")
            << "d3=9;c1=9" << "9" << QStringList{"disconnect 3", "connect 1"};
        QTest::newRow("repeater disconnect last")
            << "rep=#;m1=#;all=#" << "#" << QStringList{"mute 1", "unmute-all", "disconnect-talking"};
        QTest::newRow("every kind in order")
            << "prefix=1;toggle=1A;m4=1A;u2=1A;all=1A;d5=1A;c2=1A;rep=1A" << "1A"
            << QStringList{"connect-node A", "toggle-stay-connected", "mute 4", "unmute 2", "unmute-all",
                           "disconnect 5", "connect 2", "disconnect-talking"};
        QTest::newRow("codes compare whole") << "m1=12" << "123" << QStringList{};
        QTest::newRow("codes are case-sensitive") << "m1=a" << "A" << QStringList{};
        QTest::newRow("no match") << "" << "5555" << QStringList{};
        QTest::newRow("empty sequence matches no empty box") << "" << "" << QStringList{};
        QTest::newRow("empty sequence with every box empty")
            << "prefix=;toggle=;p1=;p2=;p3=;p4=" << "" << QStringList{};
        QTest::newRow("long sequence") << "" << QString(200, '5') << QStringList{};
        QTest::newRow("long sequence after the prefix")
            << "" << "CCC" + QString(197, '7') << QStringList{"connect-node " + QString(197, '7')};
        QTest::newRow("odd characters compared as text") << "m1=1\n2" << "1\n2" << QStringList{"mute 1"};
    }
    void match()
    {
        QFETCH(QString, codes);
        QFETCH(QString, sequence);
        QFETCH(QStringList, actions);
        QCOMPARE(described(gavelry::dtmf::match(sequence, codesFrom(codes))), actions);
    }

    void keypadText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("keypad");
        QTest::newRow("digits") << "0123456789" << true;
        QTest::newRow("letters, star, hash") << "ABCD*#" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("small letters") << "abcd" << false;
        QTest::newRow("E") << "E" << false;
        QTest::newRow("blank") << "12 3" << false;
        QTest::newRow("line feed") << "12\n.ban add X" << false;
        QTest::newRow("dot") << ".users" << false;
    }
    void keypadText()
    {
        QFETCH(QString, text);
        QFETCH(bool, keypad);
        QCOMPARE(isKeypadText(text), keypad);
    }
};

QTEST_GUILESS_MAIN(TestDtmfMatcher)
#include "test_dtmf_matcher.moc"
