#include "core/Form6.h"
#include "util/Form14.h"
#include "util/Form99.h"
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

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void captionCarriesCallsignAndVersion()
    {
        TestRig rig;
        rig.start();
        QCOMPARE(rig.form6().windowTitle(), "Gavelry    N0CALL-L   v" + kVersion + "             Gavelry");
    }

    // Every window's caption, blanks counted: product, four blanks, the
    // client's callsign, three blanks, the version, and the window's suffix.
    void everyWindowCaption_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::newRow("main") << "Form6" << "Gavelry    N0CALL-R   v" + kVersion + "             Gavelry";
        QTest::newRow("chat") << "Messages" << "Gavelry    N0CALL-R   v" + kVersion;
        QTest::newRow("timed ban") << "Form321" << "Gavelry    N0CALL-R   v" + kVersion + "       Timed Ban / Un-Ban";
        QTest::newRow("canned messages") << "Form116" << "Gavelry    N0CALL-R   v" + kVersion + "      Text Box Messages";
        QTest::newRow("web links") << "Form99" << "Gavelry    N0CALL-R   v" + kVersion + "   Internet Option";
        QTest::newRow("about") << "Form14" << "Gavelry    N0CALL-R   v" + kVersion;
    }
    void everyWindowCaption()
    {
        QFETCH(QString, window);
        QFETCH(QString, caption);
        TestRig rig(QDateTime(QDate(2026, 1, 5), QTime(12, 0)), QStringLiteral("N0CALL-R"));
        Program &p = rig.start();
        Window *w = p.windows().byName(window);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), caption);
        if (window == QLatin1String("Form14")) // the title label says the same
            QCOMPARE(ui(p.form14()).Label6->text(), caption);
    }

    // "About", "Text Chat Box" and "Text Box Messages" show their windows,
    // "Clear" empties the listing box.
    void buttonsOpenTheirWindows_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::newRow("About") << "Command4" << "Form14";
        QTest::newRow("Text Chat Box") << "Command3" << "Messages";
        QTest::newRow("Text Box Messages") << "Command58" << "Form116";
    }
    void buttonsOpenTheirWindows()
    {
        QFETCH(QString, button);
        QFETCH(QString, window);
        TestRig rig;
        Program &p = rig.start();
        auto *b = rig.form6().findChild<QPushButton *>(button);
        QVERIFY(b);
        b->click();
        for (Window *w : p.windows().all())
            if (w != &rig.form6())
                QCOMPARE(w->isVisible(), w->objectName() == window);
    }

    void clearEmptiesTheListing()
    {
        TestRig rig;
        rig.start();
        Form6 &f = rig.form6();
        ui(f).Text2->setPlainText(QStringLiteral("1. W1AW-R\r\n"));
        ui(f).Command6->click();
        QCOMPARE(ui(f).Text2->toPlainText(), QString());
    }

    void adoptsRunningLink_data()
    {
        QTest::addColumn<bool>("autoEnter");
        QTest::addColumn<QStringList>("linked");
        QTest::addColumn<QStringList>("expectedSent");
        QTest::newRow("one link, auto enter") << true << QStringList{"*HARBOUR*"} << QStringList{".admin pw3"};
        QTest::newRow("two links") << true << QStringList{"N0CALL-R", "*HARBOUR*"} << QStringList{};
        QTest::newRow("auto enter off") << false << QStringList{"*HARBOUR*"} << QStringList{};
    }
    void adoptsRunningLink()
    {
        QFETCH(bool, autoEnter);
        QFETCH(QStringList, linked);
        QFETCH(QStringList, expectedSent);
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE3", "*harbour*");
        rig.ini("vorivuzav.ini", "PASSWORD3", "pw3");
        rig.ini("vorivuzav.ini", "AUTOENTER", autoEnter ? "1" : "0");
        for (const QString &call : linked)
            rig.client.linkUp(call);
        rig.start();
        Form6 &f = rig.form6();
        QVERIFY(ui(f).Option3->isChecked());
        QVERIFY(ui(f).Option6->isChecked());
        QVERIFY(ui(f).Conference3->isVisible() || !f.isVisible()); // visible once shown
        QVERIFY(!ui(f).Conference->isVisibleTo(&f));
        QVERIFY(ui(f).Conference3->isVisibleTo(&f));
        QCOMPARE(rig.sent(), expectedSent);
        QCOMPARE(f.sTextSay, QString());
    }

    void everyWindowLoadsHidden()
    {
        TestRig rig;
        Program &p = rig.start();
        for (Window *w : p.windows().all()) {
            QVERIFY2(w->isLoaded(), qPrintable(w->objectName()));
            QVERIFY2(w->EchoLink() != nullptr, qPrintable(w->objectName()));
            if (w != &rig.form6())
                QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        }
        QCOMPARE(p.form99().currentAddress().host(), QStringLiteral("translate.google.com"));
        QVERIFY(p.form99().WebBrowser1() == nullptr); // made on first show only
        QCOMPARE(rig.form6().width(), 401);           // 6010 twips
        QCOMPARE(rig.form6().nListWait, 0);
        QVERIFY(ui(rig.form6()).Text2->isReadOnly());
    }

    void exitEndsWithoutQuestion()
    {
        TestRig rig;
        rig.start();
        ui(rig.form6()).Command7->click();
        QCOMPARE(rig.endings, 1);
        QVERIFY(rig.dialogs.shown().isEmpty());
    }

    void closingAsksFirst_data()
    {
        QTest::addColumn<int>("reply");
        QTest::addColumn<int>("endings");
        QTest::newRow("no keeps running") << int(MsgAnswer::No) << 0;
        QTest::newRow("yes ends") << int(MsgAnswer::Yes) << 1;
    }
    void closingAsksFirst()
    {
        QFETCH(int, reply);
        QFETCH(int, endings);
        TestRig rig;
        rig.start();
        rig.form6().show();
        rig.dialogs.queueReply(MsgAnswer(reply));
        rig.form6().close();
        QCOMPARE(rig.endings, endings);
        QCOMPARE(rig.dialogs.shown().size(), 1);
        const auto &box = rig.dialogs.shown().first();
        QCOMPARE(box.text, QStringLiteral("Quit Gavelry - Are You Sure ? Remember To Save Any Changes  "));
        QCOMPARE(box.title, QStringLiteral("Exit Program"));
        QCOMPARE(box.buttons, MsgButtons::YesNo);
        QCOMPARE(box.icon, MsgIcon::Question);
        if (endings == 0) {
            rig.advance(5000); // still running: timers tick
            QVERIFY(rig.form6().isVisible());
        }
    }

    void clientClosingEndsAtOnce()
    {
        TestRig rig;
        rig.start();
        rig.client.raiseClosing();
        QCOMPARE(rig.endings, 1);
        QVERIFY(rig.scheduler.halted());
        rig.client.raiseClosing(); // the other windows' handlers find it ended
        QCOMPARE(rig.endings, 1);
    }

    void noClientAtAll()
    {
        TestRig rig;
        rig.factory.setUnavailable(true);
        rig.build();
        QVERIFY_THROWS_EXCEPTION(ClientError, rig.program->start());
        QVERIFY(rig.sent().isEmpty());
    }

    void showExtraWidensAndNarrows()
    {
        TestRig rig;
        rig.start();
        Form6 &f = rig.form6();
        ui(f).Command39->click();
        QCOMPARE(ui(f).Command39->text(), QStringLiteral("Hide Extra"));
        QCOMPARE(f.width(), 677); // 10155 twips
        ui(f).Command39->click();
        QCOMPARE(ui(f).Command39->text(), QStringLiteral("Show Extra"));
        QCOMPARE(f.width(), 401);
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestStartup)
#include "test_startup.moc"
