// The web links window: its look-up, site and address buttons, zurazod2.ini,
// the saves on closing, the resizer it owns and the hand-over to the
// desktop's browser where no browser runs inside the window.

#include "core/Form6.h"
#include "util/Form99.h"
#include "TestRig.h"
#include "util/WebSites.h"
#include "Version.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

/// The version, as captions and probe answers show it.
const QString kVersion = QString::fromLatin1(kVersionText);

const QString kFile = QStringLiteral("zurazod2.ini");

QLineEdit *box(Form99 &f, int n) { return f.findChild<QLineEdit *>(QStringLiteral("Text%1").arg(n)); }
QPushButton *button(Form99 &f, const QString &name) { return f.findChild<QPushButton *>(name); }

/// The addresses the window was asked to show from now on.
struct Browsed {
    explicit Browsed(Form99 &f) : spy(&f, &Form99::browsing) {}
    QStringList all() const
    {
        QStringList list;
        for (const QList<QVariant> &args : spy)
            list.append(args.at(0).toString());
        return list;
    }
    QSignalSpy spy;
};

} // namespace

class TestWebLinks : public QObject {
    Q_OBJECT
private slots:
    void freshInstallation()
    {
        TestRig rig;
        rig.build();
        Browsed browsed(rig.program->form99());
        rig.start();
        Form99 &f = rig.program->form99();
        QCOMPARE(f.windowTitle(), "Gavelry    N0CALL-L   v" + kVersion + "   Internet Option");
        QCOMPARE(box(f, 2)->text(), websites::fernwickSite());
        QCOMPARE(box(f, 3)->text(), websites::brindlecastSite());
        QCOMPARE(box(f, 12)->text(), QStringLiteral("Fernwick"));
        QCOMPARE(box(f, 13)->text(), QStringLiteral("Brindlecast"));
        for (int n = 4; n <= 11; ++n)
            QCOMPARE(box(f, n)->text(), QStringLiteral("http://"));
        for (int n = 14; n <= 21; ++n)
            QVERIFY2(box(f, n)->text().isEmpty(), qPrintable(QString::number(n)));
        // Its own start page first, then the page start-up points it at.
        QCOMPARE(browsed.all().size(), 2);
        QCOMPARE(browsed.all().first(), websites::startPage());
        QCOMPARE(f.address(), browsed.all().last());
        QVERIFY(f.isHidden());
        // Nothing is written until the operator saves.
        QVERIFY(!QFile::exists(QDir(rig.configDir()).filePath(kFile)));
    }

    void lookUp_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("page");
        QTest::newRow("capitals after the first letter") << "n0call" << "n0CALL" << "n0CALL";
        QTest::newRow("portable call keeps its slash") << "g4abc/p" << "g4ABC/P" << "g4ABC/P";
        QTest::newRow("blanks around are dropped") << " m0xyz " << " M0XYZ " << "M0XYZ";
        QTest::newRow("query and fragment stay in the name")
            << "k1a?x=1#top" << "k1A?X=1#TOP" << "k1A%3FX%3D1%23TOP";
        QTest::newRow("empty: the look-up site itself") << "" << "" << "";
    }
    void lookUp()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, page);
        TestRig rig;
        rig.start();
        Form99 &f = rig.program->form99();
        QTest::keyClicks(ui(f).Text1, typed);
        QCOMPARE(ui(f).Text1->text(), shown);
        Browsed browsed(f);
        ui(f).Command1->click();
        QCOMPARE(browsed.all(), QStringList{websites::qrzLookup() + page});
        QVERIFY(f.currentAddress().isValid());
        QCOMPARE(f.currentAddress().host(), QUrl(websites::qrzLookup()).host());
    }

    void siteButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("page");
        QTest::newRow("EchoLink") << "Command9" << websites::echoLinkSite() + "/";
        QTest::newRow("Current Logins") << "Command10" << websites::echoLinkSite() + "/logins.jsp";
        QTest::newRow("Proxy List") << "Command11" << websites::echoLinkSite() + "/proxylist.jsp";
        QTest::newRow("eQSL") << "Command2" << websites::eqslHome();
    }
    void siteButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, page);
        TestRig rig;
        rig.start();
        Form99 &f = rig.program->form99();
        Browsed browsed(f);
        ::button(f, button)->click();
        QCOMPARE(browsed.all(), QStringList{page});
        QCOMPARE(f.address(), page);
    }

    // Each "/" button opens its own box's text exactly as it stands.
    void addressButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("box");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("text");
        QTest::newRow("first, default address") << "Command6" << 2 << false << websites::fernwickSite();
        QTest::newRow("third, still http://") << "Command8" << 4 << false << "http://";
        QTest::newRow("fourth") << "Command12" << 5 << true << "https://example.org/a b?c=d";
        QTest::newRow("last, no scheme") << "Command18" << 11 << true << "www.example.org";
        QTest::newRow("empty box") << "Command15" << 8 << true << "";
    }
    void addressButtons()
    {
        QFETCH(QString, button);
        QFETCH(int, box);
        QFETCH(bool, typed);
        QFETCH(QString, text);
        TestRig rig;
        rig.start();
        Form99 &f = rig.program->form99();
        if (typed)
            ::box(f, box)->setText(text);
        Browsed browsed(f);
        ::button(f, button)->click();
        QCOMPARE(browsed.all(), QStringList{text});
    }

    void saveDataRoundTrip()
    {
        TestRig rig;
        rig.start();
        Form99 &f = rig.program->form99();
        QStringList texts;
        for (int n = 2; n <= 21; ++n) {
            const QString t = n == 7   ? QStringLiteral("  padded  ")
                              : n == 8 ? QStringLiteral("\"quoted\"")
                              : n == 9 ? QString()
                                       : QStringLiteral("value %1 = ; [x]").arg(n);
            box(f, n)->setText(t);
            texts.append(t);
        }
        ui(f).Command4->click();
        QVERIFY(rig.dialogs.shown().isEmpty());
        QCOMPARE(rig.iniValue(kFile, QStringLiteral("TEXT2")), texts[0]);
        QCOMPARE(rig.iniValue(kFile, QStringLiteral("TEXT21")), texts[19]);

        // A later start reads back what was saved, every box as it was.
        rig.build();
        rig.start();
        Form99 &again = rig.program->form99();
        for (int n = 2; n <= 21; ++n)
            QCOMPARE(box(again, n)->text(), texts[n - 2]);
    }

    void savedFileKeepsOtherKeys()
    {
        TestRig rig;
        rig.ini(kFile, QStringLiteral("TEXT5"), QStringLiteral("https://example.net/"));
        rig.ini(kFile, QStringLiteral("EXTRA"), QStringLiteral("kept"));
        rig.start();
        Form99 &f = rig.program->form99();
        QCOMPARE(box(f, 5)->text(), QStringLiteral("https://example.net/"));
        QCOMPARE(box(f, 4)->text(), QStringLiteral("http://")); // missing key: default
        f.SaveData2();
        QCOMPARE(rig.iniValue(kFile, QStringLiteral("EXTRA")), QStringLiteral("kept"));
        QCOMPARE(rig.iniValue(kFile, QStringLiteral("TEXT4")), QStringLiteral("http://"));
    }

    // The client closing writes the addresses, then the program ends; so
    // does closing the window with its title-bar button (which hides it).
    void closingSaves_data()
    {
        QTest::addColumn<bool>("clientCloses");
        QTest::newRow("client closing") << true;
        QTest::newRow("window closed") << false;
    }
    void closingSaves()
    {
        QFETCH(bool, clientCloses);
        TestRig rig;
        rig.start();
        Form99 &f = rig.program->form99();
        f.showWindow();
        box(f, 6)->setText(QStringLiteral("https://example.com/net"));
        if (clientCloses)
            rig.client.raiseClosing();
        else
            f.close();
        QCOMPARE(rig.iniValue(kFile, QStringLiteral("TEXT6")), QStringLiteral("https://example.com/net"));
        QCOMPARE(rig.endings, clientCloses ? 1 : 0);
        QVERIFY(f.isHidden());
        QCOMPARE(box(f, 6)->text(), QStringLiteral("https://example.com/net"));
    }

    // A save that cannot be written says so; the boxes keep their texts.
    void failedSaveIsReported()
    {
        TestRig rig;
        rig.start();
        Form99 &f = rig.program->form99();
        QVERIFY(QDir(rig.configDir()).mkdir(kFile)); // a folder where the file should go
        box(f, 10)->setText(QStringLiteral("https://example.com/"));
        ui(f).Command4->click();
        QCOMPARE(rig.dialogs.shown().size(), 1);
        QVERIFY(rig.dialogs.shown().first().text.startsWith(QStringLiteral("The web addresses could not be saved")));
        QCOMPARE(box(f, 10)->text(), QStringLiteral("https://example.com/"));
    }

    void hideButton()
    {
        TestRig rig;
        rig.start();
        Form99 &f = rig.program->form99();
        f.showWindow();
        QVERIFY(f.isVisible());
        ui(f).Command5->click();
        QVERIFY(f.isHidden());
        QVERIFY(!QFile::exists(QDir(rig.configDir()).filePath(kFile)));
    }

    // Without a display no engine is loaded: the window names the page and
    // offers it to the desktop's browser, whose failures are told.
    void desktopBrowser_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        const QString addr = websites::echoLinkSite() + "/logins.jsp";
        QTest::newRow("success") << 42 << "" << 0;
        QTest::newRow("33 is success") << 33 << "" << 0;
        QTest::newRow("no association") << 31
            << "No Association Found for HTTP Addresses. A Web Browser Should be Installed or Reinstalled."
            << int(MsgIcon::Warning);
        QTest::newRow("file not found") << 2 << "The '" + addr + "' File or Path was Not Found." << int(MsgIcon::Warning);
        QTest::newRow("path not found") << 3 << "The '" + addr + "' File or Path was Not Found." << int(MsgIcon::Warning);
        QTest::newRow("other code") << 5
            << "An error occurred attempting to open '" + addr + "' (ShellExecute code 5)." << int(MsgIcon::Critical);
        QTest::newRow("32 is a failure") << 32
            << "An error occurred attempting to open '" + addr + "' (ShellExecute code 32)." << int(MsgIcon::Critical);
        QTest::newRow("0 is a failure too") << 0
            << "An error occurred attempting to open '" + addr + "' (ShellExecute code 0)." << int(MsgIcon::Critical);
    }
    void desktopBrowser()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QFETCH(int, icon);
        TestRig rig;
        rig.start();
        Form99 &f = rig.program->form99();
        f.showWindow();
        QCOMPARE(f.WebBrowser1(), ui(f).NoBrowser);
        ui(f).Command10->click();
        QVERIFY(ui(f).NoBrowserText->text().contains(websites::echoLinkLogins()));
        rig.shell.setNextResult(code);
        ui(f).OpenInDesktop->click();
        QCOMPARE(rig.shell.opened, QStringList{websites::echoLinkLogins()});
        if (text.isEmpty()) {
            QVERIFY(rig.dialogs.shown().isEmpty());
            return;
        }
        QCOMPARE(rig.dialogs.shown().size(), 1);
        QCOMPARE(rig.dialogs.shown().first().text, text);
        QCOMPARE(int(rig.dialogs.shown().first().icon), icon);
    }

    void ownsAResizer()
    {
        TestRig rig;
        rig.start();
        Form99 &f = rig.program->form99();
        f.showWindow();
        const QRect text1 = ui(f).Text1->geometry();
        const QRect frame = ui(f).Frame2->geometry();
        const QRect host = ui(f).BrowserHost->geometry();
        f.resize(f.width() * 2, f.height());
        QCOMPARE(ui(f).Text1->geometry(), QRect(text1.x() * 2, text1.y(), text1.width() * 2, text1.height()));
        QCOMPARE(ui(f).Frame2->geometry(), QRect(frame.x() * 2, frame.y(), frame.width() * 2, frame.height()));
        QCOMPARE(ui(f).BrowserHost->geometry(), QRect(host.x() * 2, host.y(), host.width() * 2, host.height()));
        f.resize(f.width() / 2, f.height());
        QCOMPARE(ui(f).Text1->geometry(), text1);
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestWebLinks)
#include "test_web_links.moc"
