#include "core/Controls.h"
#include "chat/Messages.h"
#include "TestRig.h"

#include <QLineEdit>
#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

const QString kMutedBot = " ** You have been Muted from the server due to your link or a link connected to you causing "
                          "a problem. When problem sorted disconnect and reconnect to remove the Mute. <<Admin Bot>>";
const QString kUnmutedBot = " **** You have been UnMuted. <<Admin Bot>>";

struct Linked {
    TestRig rig{QDateTime(QDate(2026, 1, 5), QTime(9, 7, 0))};
    Form6 *f = nullptr;

    Linked()
    {
        rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
        rig.ini("vorivuzav.ini", "CONFERENCE2", "*BAYSIDE*");
        rig.client.linkUp("*HARBOUR*");
        rig.start();
        f = &rig.form6();
        // DTMF commands do not need the gate open.
        QCOMPARE(ui(*f).Text36->text(), QStringLiteral("Admin Disabled"));
        rig.client.clearRecords();
    }
    QLineEdit *box(const QString &name) { return f->findChild<QLineEdit *>(name); }
    void set(const QString &boxes)
    {
        for (const QString &item : boxes.split(';', Qt::SkipEmptyParts))
            box(item.section('=', 0, 0))->setText(item.section('=', 1));
    }
};

} // namespace

class TestDtmfCommands : public QObject {
    Q_OBJECT
private slots:
    void sends_data()
    {
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<int>("stamp"); // "Time Stamp All Messages"
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QStringList>("sent");

        QTest::newRow("connect prefix") << "" << 1 << "CCC12345" << QStringList{".connect 12345"};
        QTest::newRow("connect prefix alone") << "" << 1 << "CCC" << QStringList{".connect "};
        QTest::newRow("empty prefix: connect by DTMF off") << "Text3=" << 1 << "12345" << QStringList{};
        QTest::newRow("empty prefix: a mute code is only a mute")
            << "Text3=;Text4=N0CALL;Text9=55" << 0 << "55" << QStringList{".mute N0CALL", "** N0CALL" + kMutedBot};
        QTest::newRow("node number with a line break is not sent")
            << "" << 1 << "CCC1\n.ban add K1ABC" << QStringList{};
        QTest::newRow("node number with a NUL is not sent")
            << "" << 1 << QStringLiteral("CCC1") + QChar(0) + ".ban add K1ABC" << QStringList{};
        QTest::newRow("mute row stamped")
            << "Text5=N0CALL;Text10=123" << 1 << "123" << QStringList{".mute N0CALL", "(09:07) ** N0CALL" + kMutedBot};
        QTest::newRow("mute row without callsign sends nothing") << "Text10=123" << 1 << "123" << QStringList{};
        QTest::newRow("mute then unmute on one code")
            << "Text4=N0CALL;Text9=77;Text14=77" << 0 << "77"
            << QStringList{".mute N0CALL", "** N0CALL" + kMutedBot, ".unmute N0CALL", "**** N0CALL" + kUnmutedBot};
        QTest::newRow("mute row callsign sent as it stands") << "Text8=n0call;Text13=5" << 0 << "5"
                                                             << QStringList{".mute n0call", "** n0call" + kMutedBot};
        QTest::newRow("unmute all") << "Text19=0#" << 1 << "0#" << QStringList{".unmute -a"};
        QTest::newRow("disconnect row") << "Text22=K2XYZ;Text27=9" << 1 << "9" << QStringList{".disconnect K2XYZ"};
        QTest::newRow("disconnect row without callsign") << "Text27=9" << 1 << "9" << QStringList{};
        QTest::newRow("connect row without callsign") << "Text30=8" << 1 << "8" << QStringList{".connect "};
        QTest::newRow("disconnect before connect") << "Text20=W1AW;Text25=4;Text30=4" << 1 << "4"
                                                   << QStringList{".disconnect W1AW", ".connect W1AW"};
        QTest::newRow("repeater disconnect twice") << "Text42=#9" << 1 << "#9"
                                                   << QStringList{".disconnect .", ".disconnect ."};
        QTest::newRow("empty sequence does nothing") << "Text4=N0CALL" << 1 << "" << QStringList{};
        QTest::newRow("non-keypad sequence matches as text") << "Text19=hello" << 1 << "hello"
                                                             << QStringList{".unmute -a"};
        QTest::newRow("200 characters") << "" << 1 << QString(200, '1') << QStringList{};
        QTest::newRow("profile code runs nothing else")
            << "Text4=N0CALL;Text9=*222*;Text19=*222*" << 1 << "*222*" << QStringList{};
    }
    void sends()
    {
        QFETCH(QString, boxes);
        QFETCH(int, stamp);
        QFETCH(QString, digits);
        QFETCH(QStringList, sent);
        Linked l;
        l.set(boxes);
        controls::setCheckValue(ui(*l.f).Check1, stamp);
        l.rig.client.raiseDTMF(digits);
        QCOMPARE(l.rig.sent(), sent);
    }

    void stayConnectedToggle()
    {
        Linked l;
        controls::setCheckValue(ui(*l.f).StayCon1, 0);
        l.rig.client.raiseDTMF("**##");
        QCOMPARE(controls::checkValue(ui(*l.f).StayCon1), 1);
        l.rig.client.raiseDTMF("**##");
        QCOMPARE(controls::checkValue(ui(*l.f).StayCon1), 0);
        QCOMPARE(l.rig.operations(), QStringList{});
    }

    void profileSwitch()
    {
        Linked l;
        controls::setCaption(ui(*l.f).Text35, "station info");
        l.rig.client.raiseDTMF("*222*");
        QCOMPARE(l.f->selectedProfile(), 1);
        QVERIFY(ui(*l.f).Option5->isChecked());
        QVERIFY(!ui(*l.f).Conference2->isHidden());
        QVERIFY(ui(*l.f).Conference->isHidden());
        QCOMPARE(controls::caption(ui(*l.f).Text35), QString());
        // ResetListing, not ConDisc: everything dropped, the new conference linked.
        QCOMPARE(l.rig.operations(), (QStringList{"disconnect-all", "connect-station *BAYSIDE*"}));
    }

    void connectRowUpperCasesItsBox()
    {
        Linked l;
        {
            QSignalBlocker b(l.box("Text21")); // as loaded from the settings file
            l.box("Text21")->setText("w1aw-r");
        }
        l.set("Text31=31");
        l.rig.client.raiseDTMF("3");
        QCOMPARE(l.box("Text21")->text(), QStringLiteral("w1aw-r"));
        l.rig.client.raiseDTMF("31");
        QCOMPARE(l.box("Text21")->text(), QStringLiteral("W1AW-R"));
        QCOMPARE(l.rig.sent(), QStringList{".connect W1AW-R"});
    }

    void failedSendStopsTheHandler()
    {
        Linked l;
        l.set("Text4=N0CALL;Text9=1;Text42=1");
        controls::setCheckValue(ui(*l.f).StayCon1, 0);
        l.set("Text43=1");
        l.rig.client.setFailing(true);
        l.rig.client.raiseDTMF("1");
        // The toggle ran before the failing mute; nothing after it did.
        QCOMPARE(controls::checkValue(ui(*l.f).StayCon1), 1);
        QCOMPARE(l.rig.sent(), QStringList{});
        QVERIFY(!ui(*l.f).StatusLine->text().isEmpty());
    }

    void echoKeepsTheOperatorsUnsentText()
    {
        Linked l;
        l.set("Text4=N0CALL;Text9=1");
        QLineEdit *compose = ui(l.rig.program->messages()).TextTX;
        compose->setText("still typing");
        l.rig.client.raiseDTMF("1");
        QCOMPARE(compose->text(), QStringLiteral("still typing"));
        QCOMPARE(l.rig.sent().size(), 2);
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestDtmfCommands)
#include "test_dtmf_commands.moc"
