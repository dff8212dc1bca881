// The canned-message window: its defaults, textmessage.ini and sending
// through the chat window.

#include "ChatDisplay.h"
#include "chat/Form116.h"
#include "chat/Messages.h"
#include "TestRig.h"
#include "Version.h"

#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

/// The version, as captions and probe answers show it.
const QString kVersion = QString::fromLatin1(kVersionText);

} // namespace

class TestCannedMessages : public QObject {
    Q_OBJECT
private slots:
    void freshInstallation()
    {
        TestRig rig;
        rig.start();
        Form116 &f = rig.program->form116();
        QCOMPARE(f.windowTitle(), "Gavelry    N0CALL-L   v" + kVersion + "      Text Box Messages");
        QVERIFY(f.messageBox(1)->text().contains("Brindlecast"));
        QVERIFY(f.messageBox(2)->text().contains("Fernwick"));
        QCOMPARE(f.messageBox(3)->text(), QStringLiteral("Please leave bigger gaps so others can join in"));
        QCOMPARE(f.messageBox(4)->text(), QStringLiteral("73's thanks for the great QSO"));
        QVERIFY(f.messageBox(5)->text().contains("*HARBOUR*"));
        QCOMPARE(f.messageBox(6)->text(), QStringLiteral("I will be back just now was called away"));
        for (int n = 7; n <= 20; ++n)
            QVERIFY2(f.messageBox(n)->text().isEmpty(), qPrintable(QString::number(n)));
        QCOMPARE(f.pos(), QPoint(20, 20));
    }

    void sendButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("echoed");
        QTest::newRow("first frame, stamped") << "Command3" << 3 << "" << QStringList{"(12:00) >Please leave bigger gaps so others can join in"} << 1;
        QTest::newRow("second frame") << "Command13" << 11 << "QRZ?" << QStringList{"(12:00) >QRZ?"} << 1;
        QTest::newRow("last") << "Command22" << 20 << "bye" << QStringList{"(12:00) >bye"} << 1;
        QTest::newRow("sysop command not echoed") << "Command7" << 7 << ".users" << QStringList{"(12:00) >.users"} << 0;
    }
    void sendButtons()
    {
        QFETCH(QString, button);
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(QStringList, sent);
        QFETCH(int, echoed);
        TestRig rig;
        rig.start();
        Form116 &f = rig.program->form116();
        if (!text.isEmpty())
            f.messageBox(box)->setText(text);
        const QString kept = f.messageBox(box)->text();
        f.findChild<QPushButton *>(button)->click();
        QCOMPARE(rig.sent(), sent);
        QCOMPARE(gavelry::test::displayLines(ui(rig.program->messages()).RTB->document()).size(), echoed);
        QCOMPARE(f.messageBox(box)->text(), kept);
    }

    void typedTextStaysInTheComposeBox()
    {
        TestRig rig;
        rig.start();
        QLineEdit *compose = ui(rig.program->messages()).TextTX;
        compose->setText("half a sentence");
        compose->setCursorPosition(4);
        ui(rig.program->form116()).Command4->click();
        QCOMPARE(rig.sent(), QStringList{"(12:00) >73's thanks for the great QSO"});
        QCOMPARE(compose->text(), QStringLiteral("half a sentence"));
        QCOMPARE(compose->cursorPosition(), 4);
    }

    void saveWritesEveryBoxAndThePosition()
    {
        TestRig rig;
        rig.ini("textmessage.ini", "TEXT20", "stored twenty");
        rig.ini("textmessage.ini", "LEFT", "1500");
        rig.start();
        Form116 &f = rig.program->form116();
        QCOMPARE(f.messageBox(20)->text(), QStringLiteral("stored twenty"));
        QCOMPARE(f.pos(), QPoint(100, 20));
        f.messageBox(9)->setText("nine");
        f.move(40, 60);
        ui(f).Command12->click();
        QCOMPARE(rig.iniValue("textmessage.ini", "TEXT9"), QStringLiteral("nine"));
        QCOMPARE(rig.iniValue("textmessage.ini", "TEXT10"), QString());
        QCOMPARE(rig.iniValue("textmessage.ini", "TEXT4"), QStringLiteral("73's thanks for the great QSO"));
        QCOMPARE(rig.iniValue("textmessage.ini", "LEFT"), QStringLiteral("600"));
        QCOMPARE(rig.iniValue("textmessage.ini", "TOP"), QStringLiteral("900"));
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestCannedMessages)
#include "test_canned_messages.moc"
