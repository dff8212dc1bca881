#include "core/AdminGate.h"
#include "core/Controls.h"
#include "TestRig.h"

#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

class TestAdminGate : public QObject {
    Q_OBJECT
private slots:
    void gatedActionRefusedUntilTheServerAccepts()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
        rig.client.linkUp("*HARBOUR*");
        rig.start();
        rig.advance(1000);
        Form6 &f = rig.form6();
        const AdminGate &gate = rig.program->adminGate();
        QVERIFY(!gate.allows());
        QCOMPARE(rig.dialogs.shown().size(), 1);
        const auto &box = rig.dialogs.shown().first();
        QCOMPARE(box.text, QStringLiteral("Sorry, You are not Authorized to use this admin function. \r\n"
                                          "Please log on as Admin or Sysop for your conference and try again."));
        QCOMPARE(box.title, QStringLiteral("Admin Authorization Required"));
        QCOMPARE(box.buttons, MsgButtons::Ok);
        QCOMPARE(box.icon, MsgIcon::Warning);

        rig.client.raiseChat("Your wish is my command.");
        QVERIFY(gate.allows());
        QCOMPARE(rig.dialogs.shown().size(), 1);
        rig.advance(1000); // linked to the profile: the status job leaves it
        QCOMPARE(ui(f).Text36->text(), QStringLiteral("Admin Enabled"));
    }

    void onlyTheExactTextCloses_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("closed");
        QTest::newRow("design text") << "Admin Disabled" << true;
        QTest::newRow("no conference") << ".Admin Disabled." << false;
        QTest::newRow("other case") << "admin disabled" << false;
        QTest::newRow("override") << "Admin Override" << false;
        QTest::newRow("enabled") << "Admin Enabled" << false;
    }
    void onlyTheExactTextCloses()
    {
        QFETCH(QString, state);
        QFETCH(bool, closed);
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
        rig.client.linkUp("*HARBOUR*");
        rig.start();
        Form6 &f = rig.form6();
        ui(f).Text36->setText(state);
        QCOMPARE(rig.program->adminGate().closed(), closed);
        rig.advance(1000);
        QCOMPARE(ui(f).Label31->text(), closed ? QStringLiteral("Gavelry Functions Disabled") : QString());
    }

    void noConferenceOpensTheGateInRed()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
        rig.client.linkUp("N0CALL-R");
        rig.start();
        Form6 &f = rig.form6();
        QVERIFY(rig.program->adminGate().closed());
        rig.advance(100);
        QCOMPARE(ui(f).Text36->text(), QStringLiteral(".Admin Disabled."));
        QCOMPARE(controls::backColor(ui(f).Text36), controls::kRed);
        QVERIFY(rig.program->adminGate().allows());
        QVERIFY(rig.dialogs.shown().isEmpty());
        // Linking the conference later does not close it again.
        rig.client.linkUp("*HARBOUR*");
        rig.advance(1000);
        QCOMPARE(ui(f).Text36->text(), QStringLiteral(".Admin Disabled."));
        QCOMPARE(ui(f).Label31->text(), QString());
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestAdminGate)
#include "test_admin_gate.moc"
