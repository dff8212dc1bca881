#include "core/Controls.h"
#include "core/Form6.h"
#include "core/MainSettings.h"
#include "TestRig.h"

#include <QFile>
#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

QString valueOf(Form6 &f, const MainSettings::Key &k)
{
    if (k.format == MainSettings::Format::Left)
        return QString::number(controls::toTwips(f.pos().x()));
    if (k.format == MainSettings::Format::Top)
        return QString::number(controls::toTwips(f.pos().y()));
    QWidget *w = f.findChild<QWidget *>(k.control);
    if (auto *c = qobject_cast<QCheckBox *>(w))
        return QString::number(controls::checkValue(c));
    if (auto *o = qobject_cast<QRadioButton *>(w))
        return o->isChecked() ? "True" : "False";
    return controls::caption(w);
}

} // namespace

class TestMainSettings : public QObject {
    Q_OBJECT
private slots:
    void everyKeyHasItsControl()
    {
        TestRig rig;
        rig.build();
        for (const auto &k : MainSettings::keys())
            if (!k.control.isEmpty())
                QVERIFY2(rig.form6().findChild<QWidget *>(k.control), qPrintable(k.control));
        QCOMPARE(int(MainSettings::keys().size()), 86);
    }

    void defaultsWithoutAFile()
    {
        TestRig rig;
        rig.start();
        Form6 &f = rig.form6();
        QVERIFY(ui(f).Option1->isChecked());
        QCOMPARE(ui(f).Conference->text(), QStringLiteral("Conference 1"));
        QCOMPARE(ui(f).SysopPwd->text(), QStringLiteral("FrothyLantern"));
        QCOMPARE(ui(f).BeaconPeriod2->text(), QStringLiteral("10"));
        QCOMPARE(controls::checkValue(ui(f).StayCon1), 0);
        QCOMPARE(controls::checkValue(ui(f).AutoEnter), 0);
        QCOMPARE(controls::checkValue(ui(f).Check1), 1);
        QVERIFY(ui(f).Option7->isChecked());
        QCOMPARE(ui(f).Text3->text(), QStringLiteral("CCC"));
        QCOMPARE(ui(f).Station3->text(), QStringLiteral("ENTER_CALLSIGN"));
        QCOMPARE(ui(f).Hour->text(), QStringLiteral("24"));
        QCOMPARE(f.pos(), QPoint(20, 20)); // 300, 300 twips
    }

    void windowsWrittenFileLoadsExactly()
    {
        TestRig rig;
        QFile file(rig.configDir() + "/vorivuzav.ini");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[SETTINGS]\r\nTEXT3=ABC\r\nText43 = *#*#\r\nCheck1=0\r\nCHECK3=0\r\nOPTION7=False\r\n"
                   "OPTION8=True\r\nPASSWORD2=\"se cret\"\r\nCONFERENCE2=*HARBOUR*\r\nSTAYCON1=1\r\n"
                   "BEACONPERIOD2=7\r\nOPTION1=False\r\nOPTION2=True\r\nTHUR=1\r\nHOUR=08\r\nLEFT=1500\r\nTOP=750\r\n"
                   "[OTHER]\r\nTEXT3=not me\r\n");
        file.close();
        rig.start();
        Form6 &f = rig.form6();
        QCOMPARE(ui(f).Text3->text(), QStringLiteral("ABC"));
        QCOMPARE(ui(f).Text43->text(), QStringLiteral("*#*#"));
        QCOMPARE(controls::checkValue(ui(f).Check1), 0);
        QCOMPARE(controls::checkValue(ui(f).Check3), 0);
        QVERIFY(!ui(f).Option7->isChecked());
        QVERIFY(ui(f).Option8->isChecked());
        QCOMPARE(ui(f).SysopPwd2->text(), QStringLiteral("se cret"));
        QCOMPARE(ui(f).Conference2->text(), QStringLiteral("*HARBOUR*"));
        QCOMPARE(controls::checkValue(ui(f).StayCon1), 1);
        QCOMPARE(ui(f).BeaconPeriod2->text(), QStringLiteral("7"));
        QVERIFY(ui(f).Option2->isChecked());
        QCOMPARE(f.selectedProfile(), 1);
        QCOMPARE(controls::checkValue(ui(f).Thur), 1);
        QCOMPARE(ui(f).Hour->text(), QStringLiteral("08"));
        QCOMPARE(f.pos(), QPoint(100, 50));
    }

    void badValuesFallBackKeyByKey_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe\x01garbage\x00\n\x7f", 14);
        QTest::newRow("truncated") << QByteArray("[SETTINGS]\r\nTEXT3=XYZ\r\nCHECK1=0\r\nOPTIO");
        QTest::newRow("nonsense values") << QByteArray("[SETTINGS]\nTEXT3=XYZ\nCHECK1=zero\nOPTION7=maybe\nLEFT=far\n");
        QTest::newRow("check values out of range") << QByteArray("[SETTINGS]\nTEXT3=XYZ\nCHECK4=5\nSTAYCON1=-1\n");
    }
    void badValuesFallBackKeyByKey()
    {
        QFETCH(QByteArray, content);
        TestRig rig;
        QFile file(rig.configDir() + "/vorivuzav.ini");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        rig.start();
        Form6 &f = rig.form6();
        const bool readable = content.contains("TEXT3=XYZ");
        QCOMPARE(ui(f).Text3->text(), readable ? QStringLiteral("XYZ") : QStringLiteral("CCC"));
        if (!content.contains("CHECK1=0"))
            QCOMPARE(controls::checkValue(ui(f).Check1), 1);
        QCOMPARE(controls::checkValue(ui(f).Check4), 0);
        QCOMPARE(controls::checkValue(ui(f).StayCon1), 0);
        QVERIFY(ui(f).Option7->isChecked());
        QVERIFY(ui(f).Option1->isChecked());
        QCOMPARE(f.pos(), QPoint(20, 20));
    }

    void bothModesClearIsKept()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "OPTION7", "0");
        rig.ini("vorivuzav.ini", "OPTION8", "0");
        rig.start();
        QVERIFY(!ui(rig.form6()).Option7->isChecked());
        QVERIFY(!ui(rig.form6()).Option8->isChecked());
    }

    void saveUpperCasesCallsigns()
    {
        TestRig rig;
        rig.start();
        Form6 &f = rig.form6();
        ui(f).Conference->setText("*harbour*");
        ui(f).Conference4->setText("*Lagoon*");
        ui(f).Station3->setText("n0call-r");
        ui(f).SysopPwd->setText("mixedCase");
        ui(f).Command12->click();
        QCOMPARE(ui(f).Conference->text(), QStringLiteral("*HARBOUR*"));
        QCOMPARE(ui(f).Station3->text(), QStringLiteral("N0CALL-R"));
        QCOMPARE(rig.iniValue("vorivuzav.ini", "CONFERENCE"), QStringLiteral("*HARBOUR*"));
        QCOMPARE(rig.iniValue("vorivuzav.ini", "CONFERENCE4"), QStringLiteral("*LAGOON*"));
        QCOMPARE(rig.iniValue("vorivuzav.ini", "STATION3"), QStringLiteral("N0CALL-R"));
        QCOMPARE(rig.iniValue("vorivuzav.ini", "PASSWORD"), QStringLiteral("mixedCase"));
        QCOMPARE(rig.iniValue("vorivuzav.ini", "OPTION1"), QStringLiteral("True"));
        QCOMPARE(rig.iniValue("vorivuzav.ini", "CHECK1"), QStringLiteral("1"));
    }

    // A save into an empty folder writes every key, in file order, with its
    // default as the load gave it to the controls.
    void freshSaveWritesTheDefaultsInFileOrder()
    {
        TestRig rig;
        rig.start();
        rig.form6().SaveData();
        QFile file(rig.configDir() + "/vorivuzav.ini");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList expected{"[SETTINGS]", "TEXT3=CCC", "TEXT43=**##", "TEXT39=*111*", "TEXT40=*222*",
                             "TEXT41=*333*", "TEXT44=*444*"};
        for (int n = 4; n <= 34; ++n)
            expected << QStringLiteral("TEXT%1=").arg(n);
        expected << "TEXT42=" << "CHECK1=1" << "CHECK2=1" << "CHECK3=1" << "CHECK5=1" << "OPTION7=True"
                 << "OPTION8=False" << "PASSWORD=FrothyLantern" << "CONFERENCE=CONFERENCE 1"
                 << "PASSWORD2=FrothyLantern2" << "CONFERENCE2=CONFERENCE 2" << "PASSWORD3=FrothyLantern3"
                 << "CONFERENCE3=CONFERENCE 3" << "PASSWORD4=FrothyLantern4" << "CONFERENCE4=CONFERENCE 4"
                 << "STATION3=ENTER_CALLSIGN" << "STATION4=ENTER_CALLSIGN" << "STAYCON1=0" << "AUTOENTER=0"
                 << "BEACONPERIOD2=10" << "OPTION1=True" << "OPTION2=False" << "OPTION3=False" << "OPTION9=False"
                 << "CHECK4=0" << "SUN2=0" << "MON2=0" << "TUE2=0" << "WED2=0" << "THUR2=0" << "FRI2=0" << "SAT2=0"
                 << "HOUR2=24" << "MINS2=00" << "HOUR22=24" << "MINS22=00" << "SUN=0" << "MON=0" << "TUE=0"
                 << "WED=0" << "THUR=0" << "FRI=0" << "SAT=0" << "HOUR=24" << "MINS=00" << "HOUR00=24"
                 << "MINS00=00" << "LEFT=300" << "TOP=300";
        const QStringList written = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(written, expected);
    }

    void everyKeySurvivesSaveAndReload()
    {
        TestRig first;
        first.start();
        Form6 &f = first.form6();
        // A value for every key that differs from its default.
        int n = 0;
        for (const auto &k : MainSettings::keys()) {
            QWidget *w = k.control.isEmpty() ? nullptr : f.findChild<QWidget *>(k.control);
            switch (k.format) {
            case MainSettings::Format::Text:
            case MainSettings::Format::UpperText:
                controls::setCaption(w, QStringLiteral("V%1").arg(++n));
                break;
            case MainSettings::Format::Check:
                controls::setCheckValue(static_cast<QCheckBox *>(w), k.def == QLatin1String("1") ? 0 : 1);
                break;
            default:
                break;
            }
        }
        ui(f).Option8->setChecked(true);
        ui(f).Option9->setChecked(true);
        f.move(40, 60);
        f.SaveData();
        QVERIFY(first.dialogs.shown().isEmpty());

        TestRig second;
        QFile::copy(first.configDir() + "/vorivuzav.ini", second.configDir() + "/vorivuzav.ini");
        second.start();
        for (const auto &k : MainSettings::keys())
            QCOMPARE(valueOf(second.form6(), k), valueOf(f, k));
        QCOMPARE(second.form6().pos(), QPoint(40, 60));
    }

    // A window left of or above the main screen has a negative position. A
    // load and a save give back the twips the file held, whatever side of
    // zero and whether or not they make a whole pixel.
    void positionSurvivesLoadAndSave_data()
    {
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("-1500") << -1500 << -100;
        QTest::newRow("-15") << -15 << -1;
        QTest::newRow("-7") << -7 << 0;
        QTest::newRow("-8") << -8 << -1;
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("7") << 7 << 0;
        QTest::newRow("8") << 8 << 1;
        QTest::newRow("1500") << 1500 << 100;
        QTest::newRow("14985") << 14985 << 999;
        QTest::newRow("-14985") << -14985 << -999;
        QTest::newRow("-1490") << -1490 << -99;
    }
    void positionSurvivesLoadAndSave()
    {
        QFETCH(int, twips);
        QFETCH(int, pixels);
        TestRig rig;
        rig.ini("vorivuzav.ini", "LEFT", QString::number(twips));
        rig.ini("vorivuzav.ini", "TOP", QString::number(twips));
        rig.start();
        QCOMPARE(rig.form6().pos(), QPoint(pixels, pixels));
        rig.form6().SaveData();
        QCOMPARE(rig.iniValue("vorivuzav.ini", "LEFT"), QString::number(twips));
        QCOMPARE(rig.iniValue("vorivuzav.ini", "TOP"), QString::number(twips));

        // The next start finds the same file and places the window as before.
        TestRig again;
        QFile::copy(rig.configDir() + "/vorivuzav.ini", again.configDir() + "/vorivuzav.ini");
        again.start();
        QCOMPARE(again.form6().pos(), QPoint(pixels, pixels));
        again.form6().SaveData();
        QCOMPARE(again.iniValue("vorivuzav.ini", "LEFT"), QString::number(twips));
    }

    void savedTwiceGivesTheSameFile()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "LEFT", "-1500");
        rig.ini("vorivuzav.ini", "TOP", "-7");
        rig.start();
        const QString path = rig.configDir() + "/vorivuzav.ini";
        rig.form6().SaveData();
        QFile first(path);
        QVERIFY(first.open(QIODevice::ReadOnly));
        const QByteArray once = first.readAll();
        first.close();
        rig.form6().SaveData();
        QFile second(path);
        QVERIFY(second.open(QIODevice::ReadOnly));
        QCOMPARE(second.readAll(), once);
        QVERIFY(once.contains("LEFT=-1500\nTOP=-7\n"));
    }

    // Once the window is moved, its new place is written, on either side of zero.
    void movedWindowSavesItsNewPlace_data()
    {
        QTest::addColumn<QPoint>("moveTo");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::newRow("off the left and top") << QPoint(-100, -1) << "-1500" << "-15";
        QTest::newRow("on the screen") << QPoint(1, 999) << "15" << "14985";
    }
    void movedWindowSavesItsNewPlace()
    {
        QFETCH(QPoint, moveTo);
        QFETCH(QString, left);
        QFETCH(QString, top);
        TestRig rig;
        rig.ini("vorivuzav.ini", "LEFT", "-7");
        rig.ini("vorivuzav.ini", "TOP", "7");
        rig.start();
        rig.form6().move(moveTo);
        rig.form6().SaveData();
        QCOMPARE(rig.iniValue("vorivuzav.ini", "LEFT"), left);
        QCOMPARE(rig.iniValue("vorivuzav.ini", "TOP"), top);
    }

    // A position beyond what a window can hold is no position: the default,
    // not 0.
    void positionOutOfRangeTakesTheDefault()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "LEFT", "2147483648");
        rig.ini("vorivuzav.ini", "TOP", "-99999999999");
        rig.start();
        QCOMPARE(rig.form6().pos(), QPoint(20, 20));
    }

    void unwritableFolderSaysWhere()
    {
        TestRig rig;
        rig.start();
        QFile::remove(rig.configDir() + "/vorivuzav.ini");
        QFile::Permissions keep = QFile::permissions(rig.configDir());
        QFile::setPermissions(rig.configDir(), QFile::ReadOwner | QFile::ExeOwner);
        rig.form6().SaveData();
        QFile::setPermissions(rig.configDir(), keep);
        if (QFileInfo(rig.configDir() + "/vorivuzav.ini").exists())
            QSKIP("running as a user who can write anywhere");
        QCOMPARE(rig.dialogs.shown().size(), 1);
        QVERIFY(rig.dialogs.shown().first().text.contains(rig.configDir()));
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestMainSettings)
#include "test_main_settings.moc"
