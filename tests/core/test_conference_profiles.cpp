#include "core/AdminGate.h"
#include "core/ConferenceProfiles.h"
#include "core/Controls.h"
#include "platform/EditStyle.h"
#include "TestRig.h"

#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

// Profiles *ONE*..*FOUR* with passwords pw1..pw4.
void fourProfiles(TestRig &rig)
{
    const char *keys[] = {"CONFERENCE", "CONFERENCE2", "CONFERENCE3", "CONFERENCE4"};
    const char *pwKeys[] = {"PASSWORD", "PASSWORD2", "PASSWORD3", "PASSWORD4"};
    const char *names[] = {"*ONE*", "*TWO*", "*THREE*", "*FOUR*"};
    for (int i = 0; i < 4; ++i) {
        rig.ini("vorivuzav.ini", keys[i], names[i]);
        rig.ini("vorivuzav.ini", pwKeys[i], QStringLiteral("pw%1").arg(i + 1));
    }
}

void selectInIni(TestRig &rig, int profile)
{
    const char *keys[] = {"OPTION1", "OPTION2", "OPTION3", "OPTION9"};
    for (int i = 0; i < 4; ++i)
        rig.ini("vorivuzav.ini", keys[i], i + 1 == profile ? "True" : "False");
}

} // namespace

class TestConferenceProfiles : public QObject {
    Q_OBJECT
private slots:
    void stayConnected_data()
    {
        QTest::addColumn<QString>("stayCon");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("ticked relinks") << "1" << QStringList{"connect-station *ONE*"};
        QTest::newRow("unticked leaves it") << "0" << QStringList{};
    }
    void stayConnected()
    {
        QFETCH(QString, stayCon);
        QFETCH(QStringList, expected);
        TestRig rig;
        fourProfiles(rig);
        rig.ini("vorivuzav.ini", "STAYCON1", stayCon);
        rig.client.linkUp("*ONE*");
        rig.start();
        rig.advance(30000);
        rig.client.linkDown("*ONE*");
        rig.client.clearRecords();
        rig.advance(29999);
        QCOMPARE(rig.operations(), QStringList{});
        rig.advance(1); // the 60-second tick
        QCOMPARE(rig.operations(), expected);
        rig.advance(60000); // linked again (or still not asked): nothing more
        QCOMPARE(rig.operations(), expected);
    }

    // A client that comes on the air links the selected conference at once,
    // as the tick would: only with "Stay Connected" ticked and not linked.
    void onTheAirLinksAtOnce_data()
    {
        QTest::addColumn<QString>("stayCon");
        QTest::addColumn<QString>("linked");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("ticked") << "1" << "" << QStringList{"connect-station *ONE*"};
        QTest::newRow("unticked") << "0" << "" << QStringList{};
        QTest::newRow("already linked") << "1" << "*ONE*" << QStringList{};
        QTest::newRow("linked elsewhere") << "1" << "N0CALL-R" << QStringList{"connect-station *ONE*"};
    }
    void onTheAirLinksAtOnce()
    {
        QFETCH(QString, stayCon);
        QFETCH(QString, linked);
        QFETCH(QStringList, expected);
        TestRig rig;
        fourProfiles(rig);
        rig.ini("vorivuzav.ini", "STAYCON1", stayCon);
        if (!linked.isEmpty())
            rig.client.linkUp(linked);
        rig.start();
        rig.advance(1000);
        rig.client.clearRecords();
        rig.client.raiseOnTheAir();
        QCOMPARE(rig.operations(), expected);
    }

    void eachProfileShowsItsOwnFieldsAndStatus_data()
    {
        QTest::addColumn<int>("profile");
        for (int n = 1; n <= 4; ++n)
            QTest::newRow(qPrintable(QStringLiteral("profile %1").arg(n))) << n;
    }
    void eachProfileShowsItsOwnFieldsAndStatus()
    {
        QFETCH(int, profile);
        TestRig rig;
        fourProfiles(rig);
        rig.start();
        Form6 &f = rig.form6();
        f.selectProfile(profile - 1);
        const auto &c = ui(f);
        const QList<QList<QWidget *>> fields{
            {c.Conference, c.SysopPwd, c.Log_On_Conf, c.Log_On, c.Log_On_Admin, c.LabelConference1, c.LabelPassword1},
            {c.Conference2, c.SysopPwd2, c.Log_On_Conf2, c.Log_On2, c.Log_On_Admin2, c.LabelConference2, c.LabelPassword2},
            {c.Conference3, c.SysopPwd3, c.Log_On_Conf3, c.Log_On3, c.Log_On_Admin3, c.LabelConference3, c.LabelPassword3},
            {c.Conference4, c.SysopPwd4, c.Log_On_Conf4, c.Log_On4, c.Log_On_Admin4, c.LabelConference4, c.LabelPassword4},
        };
        for (int i = 0; i < 4; ++i)
            for (QWidget *w : fields[i])
                QVERIFY2(w->isVisibleTo(&f) == (i == profile - 1), qPrintable(w->objectName()));
        const QList<QRadioButton *> options{c.Option1, c.Option2, c.Option3, c.Option9};
        const QList<QRadioButton *> twins{c.Option4, c.Option5, c.Option6, c.Option10};
        QVERIFY(options[profile - 1]->isChecked());
        QVERIFY(twins[profile - 1]->isChecked());

        const QString name = controls::caption(fields[profile - 1].first());
        rig.client.linkUp(name);
        rig.advance(100);
        QCOMPARE(c.Label9->text(), name + QStringLiteral("  Connected %1").arg(profile));
        rig.client.linkDown(name);
        rig.advance(100);
        QCOMPARE(c.Frame6->title(), QStringLiteral(" Disconnected %1").arg(profile));
    }

    void conDiscOnLinkedProfileOnlyDisconnects()
    {
        TestRig rig;
        fourProfiles(rig);
        rig.client.linkUp("*ONE*");
        rig.start();
        rig.advance(100);
        rig.client.clearRecords();
        Form6 &f = rig.form6();
        f.ConDisc();
        QCOMPARE(rig.operations(), QStringList{"disconnect-station *ONE*"});
        QCOMPARE(ui(f).Label9->text(), QStringLiteral("*ONE*  Connected 1"));
        QCOMPARE(controls::foreColor(ui(f).Label9), controls::kGreen);
    }

    void conDiscConnectsThroughTheStatusStates()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE2", "*harbour*");
        selectInIni(rig, 2);
        rig.client.linkUp("N0CALL-R");
        rig.start();
        rig.advance(100);
        rig.client.clearRecords();
        Form6 &f = rig.form6();
        f.ConDisc();
        QCOMPARE(rig.operations(), (QStringList{"disconnect-all", "connect-station *HARBOUR*"}));
        for (QWidget *w : {static_cast<QWidget *>(ui(f).Frame6), static_cast<QWidget *>(ui(f).Label9)}) {
            QCOMPARE(controls::caption(w), QStringLiteral("Connecting *harbour*"));
            QCOMPARE(controls::foreColor(w), controls::kBlue);
        }
        rig.advance(100); // the next status tick: not linked yet
        QCOMPARE(ui(f).Label9->text(), QStringLiteral(" Disconnected 2"));
        QCOMPARE(controls::foreColor(ui(f).Frame6), controls::kRed);
        rig.advance(500); // the link came up
        QCOMPARE(ui(f).Frame6->title(), QStringLiteral("*harbour*  Connected 2"));
        QCOMPARE(controls::foreColor(ui(f).Label9), controls::kGreen);
    }

    void connectedEventLogsOn_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("autoEnter");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("exact") << "*HARBOUR*" << "1" << "*HARBOUR*" << QStringList{".admin pw1"};
        QTest::newRow("case differs") << "*Harbour*" << "1" << "*HARBOUR*" << QStringList{};
        QTest::newRow("auto enter off") << "*HARBOUR*" << "0" << "*HARBOUR*" << QStringList{};
        QTest::newRow("another station") << "*HARBOUR*" << "1" << "N0CALL-R" << QStringList{};
    }
    void connectedEventLogsOn()
    {
        QFETCH(QString, box);
        QFETCH(QString, autoEnter);
        QFETCH(QString, reported);
        QFETCH(QStringList, expected);
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE", box);
        rig.ini("vorivuzav.ini", "PASSWORD", "pw1");
        rig.ini("vorivuzav.ini", "AUTOENTER", autoEnter);
        rig.start();
        rig.client.raiseConnected(reported, "Harbour", "10.0.0.1");
        QCOMPARE(rig.sent(), expected);
        QCOMPARE(rig.form6().sTextSay, QString());
    }

    void logOnButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("sysop 3") << "Log_On3" << QStringList{"send .sysop pw3"};
        QTest::newRow("admin 2") << "Log_On_Admin2" << QStringList{"send .admin pw2"};
        QTest::newRow("admin 1") << "Log_On_Admin" << QStringList{"send .admin pw1"};
        QTest::newRow("toggle 2 unlinked") << "Log_On_Conf2" << QStringList{"connect-station *TWO*"};
        QTest::newRow("toggle 4 linked") << "Log_On_Conf4" << QStringList{"disconnect-station *FOUR*"};
        QTest::newRow("con/disc selected") << "Command13" << QStringList{"connect-station *ONE*"};
        // Each profile's buttons act on their own profile.
        QTest::newRow("sysop 1") << "Log_On" << QStringList{"send .sysop pw1"};
        QTest::newRow("sysop 2") << "Log_On2" << QStringList{"send .sysop pw2"};
        QTest::newRow("sysop 4") << "Log_On4" << QStringList{"send .sysop pw4"};
        QTest::newRow("admin 3") << "Log_On_Admin3" << QStringList{"send .admin pw3"};
        QTest::newRow("admin 4") << "Log_On_Admin4" << QStringList{"send .admin pw4"};
        QTest::newRow("toggle 1 unlinked") << "Log_On_Conf" << QStringList{"connect-station *ONE*"};
        QTest::newRow("toggle 3 unlinked") << "Log_On_Conf3" << QStringList{"connect-station *THREE*"};
    }
    void logOnButtons()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, expected);
        TestRig rig;
        fourProfiles(rig);
        rig.start();
        rig.client.linkUp("*FOUR*");
        rig.client.clearRecords();
        Form6 &f = rig.form6();
        f.findChild<QPushButton *>(button)->click();
        QCOMPARE(rig.operations(), expected);
        QCOMPARE(f.sTextSay, QString());
        QVERIFY(!ui(f).Label9->text().startsWith("Connecting")); // only ConDisc announces
    }

    void emptyProfileDoesNothing()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE", "");
        rig.start();
        rig.client.clearRecords();
        Form6 &f = rig.form6();
        for (QPushButton *b : {ui(f).Log_On, ui(f).Log_On_Admin, ui(f).Log_On_Conf, ui(f).Command13, ui(f).Command14})
            b->click();
        f.ConDisc();
        f.ResetListing();
        QCOMPARE(rig.operations(), QStringList{});
    }

    void adminButton_data()
    {
        QTest::addColumn<int>("profile");
        QTest::addColumn<QString>("stamp");
        QTest::addColumn<bool>("noted");
        QTest::newRow("profile 1") << 1 << "0" << true;
        QTest::newRow("profile 3") << 3 << "0" << true;
        QTest::newRow("profile 4 stamped") << 4 << "1" << true;
        QTest::newRow("profile 4 unstamped") << 4 << "0" << false;
    }
    void adminButton()
    {
        QFETCH(int, profile);
        QFETCH(QString, stamp);
        QFETCH(bool, noted);
        TestRig rig;
        fourProfiles(rig);
        selectInIni(rig, profile);
        rig.ini("vorivuzav.ini", "CHECK1", stamp);
        rig.start();
        Form6 &f = rig.form6();
        controls::setCaption(ui(f).Text2, "1. N0CALL-R");
        ui(f).Command14->click();
        const QString line = QStringLiteral(".admin pw%1").arg(profile);
        QCOMPARE(rig.sent(), QStringList{line});
        QCOMPARE(controls::caption(ui(f).Text2), noted ? ".Admin XXXX" : "1. N0CALL-R");
        QCOMPARE(f.sTextSay, noted ? QString() : line);
    }

    void failingClientIsReportedAndSkipped()
    {
        TestRig rig;
        fourProfiles(rig);
        rig.ini("vorivuzav.ini", "STAYCON1", "1");
        rig.client.linkUp("*ONE*");
        rig.start();
        rig.advance(100);
        Form6 &f = rig.form6();
        rig.client.setFailing(true);
        rig.advance(60000); // status ticks and a stay-connected tick
        f.ConDisc();
        ui(f).Command13->click();
        ui(f).Log_On->click();
        QCOMPARE(rig.endings, 0);
        QVERIFY(ui(f).StatusLine->text().contains("did not answer"));
        // Not knowing the link state is not a lost link: the gate stays as it was.
        QCOMPARE(ui(f).Text36->text(), QStringLiteral("Admin Disabled"));
        QCOMPARE(ui(f).Label9->text(), QStringLiteral("*ONE*  Connected 1"));
        rig.client.setFailing(false);
        ui(f).StatusLine->clear();
        rig.advance(1000);
        QCOMPARE(ui(f).StatusLine->text(), QString());
    }

    void callsignBoxesTakeCapitalsAfterTheirFirstChange()
    {
        TestRig rig;
        rig.build();
        Form6 &f = rig.form6();
        QVERIFY(!EditStyle::isUpperCase(ui(f).Conference));
        for (QLineEdit *box : {ui(f).Conference, ui(f).Conference2, ui(f).Conference3, ui(f).Conference4,
                               ui(f).Station3, ui(f).Text4, ui(f).Text24})
            box->setText("x");
        QVERIFY(EditStyle::isUpperCase(ui(f).Conference));
        QVERIFY(EditStyle::isUpperCase(ui(f).Conference4));
        QVERIFY(EditStyle::isUpperCase(ui(f).Station3));
        QVERIFY(EditStyle::isUpperCase(ui(f).Text4));
        QVERIFY(EditStyle::isUpperCase(ui(f).Text24));
        QVERIFY(!EditStyle::isUpperCase(ui(f).Conference2));
        QVERIFY(!EditStyle::isUpperCase(ui(f).Conference3));
    }

    void toolTipsFollowTheBoxes()
    {
        TestRig rig;
        fourProfiles(rig);
        rig.start();
        Form6 &f = rig.form6();
        ui(f).Conference3->setText("*Changed*");
        rig.advance(1000);
        QCOMPARE(ui(f).Command19->toolTip(), QStringLiteral("*Changed*"));
        QCOMPARE(ui(f).Command22->toolTip(), QStringLiteral("*Changed*"));
        QCOMPARE(ui(f).Log_On_Conf3->toolTip(), QStringLiteral("*Changed*"));
        QCOMPARE(ui(f).Command5->toolTip(), QStringLiteral("*FOUR*"));
        QCOMPARE(ui(f).Log_On_Conf->toolTip(), QStringLiteral("*ONE*"));
    }

    void everyProfileButtonNamesItsConference_data()
    {
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("conference");
        QTest::newRow("profile 1") << QStringList{"Command17", "Command20", "Log_On_Conf"} << "*ONE*";
        QTest::newRow("profile 2") << QStringList{"Command18", "Command21", "Log_On_Conf2"} << "*TWO*";
        QTest::newRow("profile 3") << QStringList{"Command19", "Command22", "Log_On_Conf3"} << "*THREE*";
        QTest::newRow("profile 4") << QStringList{"Command5", "Command28", "Log_On_Conf4"} << "*FOUR*";
    }
    void everyProfileButtonNamesItsConference()
    {
        QFETCH(QStringList, buttons);
        QFETCH(QString, conference);
        TestRig rig;
        fourProfiles(rig);
        rig.start();
        rig.advance(1000);
        for (const QString &name : buttons)
            QCOMPARE(rig.form6().findChild<QPushButton *>(name)->toolTip(), conference);
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestConferenceProfiles)
#include "test_conference_profiles.moc"
