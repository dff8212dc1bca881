// The chat window driven through its controls: the receive pipeline, the
// compose box and the private panel, pictures, settings and layout.

#include "ChatDisplay.h"
#include "core/Controls.h"
#include "core/Form6.h"
#include "core/ModerationLog.h"
#include "chat/Messages.h"
#include "TestRig.h"
#include "Version.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>
#include <QUrl>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::displayLines;
using gavelry::test::TestRig;

namespace {

/// The version, as captions and probe answers show it.
const QString kVersion = QString::fromLatin1(kVersionText);

using Settings = QList<QPair<QString, QString>>;
using gavelry::test::ui;

/// The program at 14:05, the chat window settings given as key/value pairs.
struct ChatRig {
    explicit ChatRig(const Settings &settings = {},
                     const QString &local = QStringLiteral("N0CALL-L"))
        : rig(QDateTime(QDate(2026, 1, 5), QTime(14, 5, 0)), local)
    {
        for (const auto &[key, value] : settings)
            rig.ini(QStringLiteral("messagebox.ini"), key, value);
        rig.start();
    }
    Messages &chat() { return rig.program->messages(); }
    Form6 &main() { return rig.form6(); }
    void receive(const QString &line) { rig.client.raiseChat(line); }
    QStringList shown() { return displayLines(ui(chat()).RTB->document()); }
    void type(const QString &text)
    {
        ui(chat()).TextTX->setText(text);
        QTest::keyClick(ui(chat()).TextTX, Qt::Key_Return);
    }

    TestRig rig;
};

const QPair<QString, QString> kStampOff{QStringLiteral("CHECK1"), QStringLiteral("0")};
const QPair<QString, QString> kIncomingStampOff{QStringLiteral("CHECK2"), QStringLiteral("0")};

/// The character format at the first character of text in the display.
QTextCharFormat formatAt(QTextDocument *doc, const QString &text)
{
    QTextCursor c = doc->find(text);
    c.setPosition(c.selectionStart() + 1);
    return c.charFormat();
}

} // namespace

class TestChatWindow : public QObject {
    Q_OBJECT
private slots:
    // -- receiving ---------------------------------------------------------

    void probesAnswerAndLineIsShown_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("chat probe") << "N0CALL>hello /chat/ test" << QStringList{"Chat-KZ v" + kVersion};
        QTest::newRow("version probe") << "N0CALL>/ver/" << QStringList{"Gavelry  v" + kVersion};
        QTest::newRow("both, chat first") << "N0CALL>/ver/ /chat/" << QStringList{"Chat-KZ v" + kVersion, "Gavelry  v" + kVersion};
        QTest::newRow("probe words are case-sensitive") << "N0CALL>/CHAT/" << QStringList{};
    }
    void probesAnswerAndLineIsShown()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, sent);
        ChatRig r;
        r.receive(line);
        QCOMPARE(r.rig.sent(), sent);
        QCOMPARE(r.shown(), QStringList{"N0CALL>: (14:05) " + line.mid(7)});
    }

    void remoteTalkTimeSwitches_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("off") << "N0CALL-L" << "M0ABC>/TIMEOUT OFF/ N0CALL-L" << 1 << 0 << QStringList{" OK OFF"};
        QTest::newRow("off, callsign typed in lower case") << "N0CALL-L" << "M0ABC>/timeout off/ n0call-l" << 1 << 0
                                                          << QStringList{" OK OFF"};
        QTest::newRow("on") << "N0CALL-L" << "M0ABC>/TIMEOUT ON/ N0CALL-L" << 0 << 1 << QStringList{" OK ON"};
        QTest::newRow("another station") << "N0CALL-L" << "M0ABC>/TIMEOUT OFF/ G4XYZ" << 1 << 1 << QStringList{};
        QTest::newRow("client reports lower case: never matches") << "n0call-l" << "M0ABC>/TIMEOUT OFF/ n0call-l" << 1
                                                                  << 1 << QStringList{};
    }
    void remoteTalkTimeSwitches()
    {
        QFETCH(QString, local);
        QFETCH(QString, line);
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(QStringList, sent);
        ChatRig r({}, local);
        controls::setCheckValue(ui(r.main()).Check3, before);
        r.receive(line);
        QCOMPARE(controls::checkValue(ui(r.main()).Check3), after);
        QCOMPARE(r.rig.sent(), sent);
    }

    void mainWindowSwitches()
    {
        ChatRig r;
        r.receive("M0ABC>/timeout4/");
        QCOMPARE(controls::caption(ui(r.main()).BeaconPeriod2), QStringLiteral("4"));
        QCOMPARE(controls::caption(ui(r.main()).Text36), QStringLiteral("Admin Disabled"));
        // A station typing the server's answer changes nothing; the server's own does.
        r.receive("*HARBOUR*>Your wish is my command.");
        QCOMPARE(controls::caption(ui(r.main()).Text36), QStringLiteral("Admin Disabled"));
        r.receive("Your wish is my command.");
        QCOMPARE(controls::caption(ui(r.main()).Text36), QStringLiteral("Admin Enabled"));
        QCOMPARE(controls::backColor(ui(r.main()).Text36), controls::kLightGreen);
    }

    /// gavelry.ini's TRUSTED_STATIONS limits the remote switches and
    /// probes to the stations named (and the server); what others try is
    /// refused and logged once a minute for each station.
    void onlyTrustedStationsSwitch_data()
    {
        QTest::addColumn<QString>("trusted");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("check3");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("no list: any station") << "" << "M0ABC>/TIMEOUT OFF/ N0CALL-L" << 0 << QStringList{" OK OFF"};
        QTest::newRow("a station on the list") << "K2XYZ M0ABC" << "M0ABC>/TIMEOUT OFF/ N0CALL-L" << 0
                                               << QStringList{" OK OFF"};
        QTest::newRow("a station not on it") << "K2XYZ" << "M0ABC>/TIMEOUT OFF/ N0CALL-L" << 1 << QStringList{};
        QTest::newRow("a longer callsign is another") << "M0ABC" << "M0ABC-L>/TIMEOUT OFF/ N0CALL-L" << 1
                                                       << QStringList{};
        QTest::newRow("its probe goes unanswered") << "K2XYZ" << "M0ABC>/chat/ /ver/" << 1 << QStringList{};
        QTest::newRow("the server's own text") << "K2XYZ" << "/chat/" << 1 << QStringList{"Chat-KZ v" + kVersion};
    }
    void onlyTrustedStationsSwitch()
    {
        QFETCH(QString, trusted);
        QFETCH(QString, line);
        QFETCH(int, check3);
        QFETCH(QStringList, sent);
        TestRig rig(QDateTime(QDate(2026, 1, 5), QTime(14, 5, 0)));
        rig.ini(QStringLiteral("gavelry.ini"), QStringLiteral("TRUSTED_STATIONS"), trusted);
        rig.start();
        rig.client.raiseChat(line);
        QCOMPARE(controls::checkValue(ui(rig.form6()).Check3), check3);
        QCOMPARE(rig.sent(), sent);
    }

    void refusalsAreLoggedOnceAMinute()
    {
        TestRig rig(QDateTime(QDate(2026, 1, 5), QTime(14, 5, 0)));
        rig.ini(QStringLiteral("gavelry.ini"), QStringLiteral("TRUSTED_STATIONS"), QStringLiteral("K2XYZ"));
        rig.start();
        QStringList entries;
        QObject::connect(&rig.program->moderationLog(), &ModerationLog::logged,
                         [&](const QString &e) { entries.append(e.section(QStringLiteral(" | "), 1)); });
        for (int i = 0; i < 3; ++i) {
            rig.client.raiseChat(QStringLiteral("M0ABC>/timeout4/"));
            rig.client.raiseChat(QStringLiteral("M0ABC>Your wish is my command."));
            rig.client.raiseChat(QStringLiteral("G4XYZ>/chat/"));
            rig.advance(30000);
        }
        QCOMPARE(controls::caption(ui(rig.form6()).BeaconPeriod2), QStringLiteral("10"));
        QCOMPARE(entries, (QStringList{
                              "remote probe /timeout4/ refused: the station is not in TRUSTED_STATIONS | M0ABC | "
                              "chat line from M0ABC",
                              "remote probe /chat/ refused: the station is not in TRUSTED_STATIONS | G4XYZ | chat "
                              "line from G4XYZ",
                              "remote probe /timeout4/ refused: the station is not in TRUSTED_STATIONS | M0ABC | "
                              "chat line from M0ABC",
                              "remote probe /chat/ refused: the station is not in TRUSTED_STATIONS | G4XYZ | chat "
                              "line from G4XYZ",
                          }));
    }

    void privateMessageToUs()
    {
        ChatRig r;
        ui(r.chat()).Text1->setText("G4XYZ");
        r.receive("N0CALL>:N0CALL-L~hello");
        Messages &c = r.chat();
        QCOMPARE(ui(c).Text3->toPlainText(), QStringLiteral("Message From <- N0CALL> hello\n"));
        QCOMPARE(r.rig.sent(), QStringList{":N0CALL~ Message Received~"});
        QCOMPARE(r.shown(), QStringList{"N0CALL>: (14:05) :N0CALL-L~hello"});
        QVERIFY(c.isVisible());
        QCOMPARE(ui(c).Command3->text(), QStringLiteral("Hide Private Message"));
        QVERIFY(ui(c).ClearRX->isHidden());
        QCOMPARE(ui(c).RTB->height(), 177);
        QCOMPARE(ui(c).Text1->text(), QString());
    }

    void privateLinesAreAcknowledgedOnce_data()
    {
        QTest::addColumn<QString>("extraCall");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("acknowledgement not acknowledged") << "" << "N0CALL>:N0CALL-L~ Message Received~"
                                                         << QStringList{};
        QTest::newRow("through the extra call") << "g4xyz" << "N0CALL>:G4XYZ~hi"
                                                << QStringList{":N0CALL~ Message Received~"};
        QTest::newRow("tag opening the line") << "" << ":N0CALL-L~hi" << QStringList{};
    }
    void privateLinesAreAcknowledgedOnce()
    {
        QFETCH(QString, extraCall);
        QFETCH(QString, line);
        QFETCH(QStringList, sent);
        ChatRig r({{"EXTRACALL", extraCall}});
        r.receive(line);
        QCOMPARE(r.rig.sent(), sent);
    }

    void extraCallSettles_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("after");
        QTest::newRow("empty") << "" << "N0CALL-L";
        QTest::newRow("two characters") << "ab" << "N0CALL-L";
        QTest::newRow("a callsign, upper-cased") << "g4xyz" << "G4XYZ";
    }
    void extraCallSettles()
    {
        QFETCH(QString, stored);
        QFETCH(QString, after);
        ChatRig r({{"EXTRACALL", stored}});
        r.receive("M0ABC>hi");
        QCOMPARE(ui(r.chat()).ExtraCall->text(), after);
    }

    void filterDropsSilently_data()
    {
        QTest::addColumn<QString>("caseSensitive");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("shown");
        QTest::newRow("default word") << "1" << "*HARBOUR*>N0CALL Connected" << false;
        QTest::newRow("built-in, case-sensitive") << "1" << "N0CALL>xfuckx" << false;
        QTest::newRow("built-in, any case") << "0" << "N0CALL>xfuckx" << false;
        QTest::newRow("box word, case-sensitive") << "1" << "N0CALL>Hello" << false;
        QTest::newRow("other case, case-sensitive") << "1" << "N0CALL>hello" << true;
        QTest::newRow("other case, any case") << "0" << "N0CALL>hello" << false;
    }
    void filterDropsSilently()
    {
        QFETCH(QString, caseSensitive);
        QFETCH(QString, line);
        QFETCH(bool, shown);
        ChatRig r({{"CHECK3", caseSensitive}, {"FILTERTEXT6", "Hello"}});
        r.main().nListWait = 1;
        r.receive(line);
        QCOMPARE(r.shown().size(), shown ? 1 : 0);
        // A dropped line is not the awaited reply.
        QCOMPARE(r.main().nListWait, shown ? 0 : 1);
    }

    void stopChatStillAnswers()
    {
        ChatRig r({{"OPTION1", "False"}, {"OPTION2", "True"}});
        r.main().nListWait = 3;
        controls::setCaption(ui(r.main()).Text2, "before");
        r.receive("N0CALL>/chat/ :N0CALL-L~hi");
        r.receive("Your wish is my command");
        QCOMPARE(r.rig.sent(), (QStringList{"Chat-KZ v" + kVersion, ":N0CALL~ Message Received~"}));
        QCOMPARE(controls::caption(ui(r.main()).Text36), QStringLiteral("Admin Enabled"));
        QVERIFY(r.shown().isEmpty());
        QCOMPARE(controls::caption(ui(r.main()).Text2), QStringLiteral("before"));
        QCOMPARE(r.main().nListWait, 3);
    }

    void displayedLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("no sender") << "Welcome to *HARBOUR*" << QStringList{": (14:05) Welcome to *HARBOUR*"};
        QTest::newRow("markup shown as typed")
            << "N0CALL><b>bold</b> <img src=x.png> &amp;"
            << QStringList{"N0CALL>: (14:05) <b>bold</b> <img src=x.png> &amp;"};
        QTest::newRow("smile, nose smile, evil grin")
            << "N0CALL>:) :-) :>)" << QStringList{"N0CALL>: (14:05) {icon 0} {icon 8} {icon 7}"};
        QTest::newRow("a code three times") << "N0CALL>:beer x :beer :beer"
                                            << QStringList{"N0CALL>: (14:05) {icon 24} x {icon 24} {icon 24}"};
        QTest::newRow("codes in the sender stay") << "A:)>:)" << QStringList{"A:)>: (14:05) {icon 0}"};
        QTest::newRow("CR splits the message") << "*HARBOUR*>1. N0CALL\r2. M0ABC"
                                               << QStringList{"*HARBOUR*>: (14:05) 1. N0CALL", "2. M0ABC"};
    }
    void displayedLines()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, shown);
        ChatRig r;
        r.receive(line);
        QCOMPARE(r.shown(), shown);
    }

    void earlierLinesAreNotSearchedAgain()
    {
        ChatRig r({kIncomingStampOff});
        r.receive("N0CALL>:");
        r.receive("N0CALL>)");
        QCOMPARE(r.shown(), (QStringList{"N0CALL>: :", "N0CALL>: )"}));
    }

    void senderColours()
    {
        ChatRig r({kStampOff});
        r.receive("N0CALL>hi");
        r.type("hello");
        QTextDocument *doc = ui(r.chat()).RTB->document();
        const QTextCharFormat theirs = formatAt(doc, "N0CALL>:");
        const QTextCharFormat ours = formatAt(doc, "N0CALL-L> :");
        const QTextCharFormat message = formatAt(doc, "hello");
        QCOMPARE(controls::toBgr(theirs.foreground().color()), controls::kBlue);
        QCOMPARE(controls::toBgr(ours.foreground().color()), controls::kRed);
        QCOMPARE(controls::toBgr(message.foreground().color()), controls::kBlack);
        QVERIFY(theirs.fontWeight() == QFont::Bold && ours.fontWeight() == QFont::Bold);
        QVERIFY(message.fontWeight() != QFont::Bold);
    }

    void listingRouting()
    {
        ChatRig r;
        r.main().nListWait = 3;
        r.receive("*HARBOUR*>1. N0CALL\r2. M0ABC");
        QCOMPARE(controls::caption(ui(r.main()).Text2).replace("\r\n", "\n"),
                 QStringLiteral("Updated 14:05:00\n1. N0CALL\n2. M0ABC\n"));
        QCOMPARE(r.main().nListWait, 0);
        QCOMPARE(controls::caption(ui(r.main()).Frame5), QStringLiteral("Connected"));
        QVERIFY(r.shown().isEmpty());

        r.main().nListWait = 1;
        r.receive("*HARBOUR*>Admins:");
        QCOMPARE(r.main().nListWait, 0);
        QCOMPARE(r.shown(), QStringList{"*HARBOUR*>: (14:05) Admins:"});
    }

    void scrollbackIsBounded()
    {
        ChatRig r({kIncomingStampOff});
        for (int i = 0; i < Messages::kScrollbackLines + 50; ++i)
            r.receive(QStringLiteral("N0CALL>line %1 :)").arg(i));
        const QStringList lines = r.shown();
        QVERIFY(lines.size() < Messages::kScrollbackLines);
        QCOMPARE(lines.last(), QStringLiteral("N0CALL>: line %1 {icon 0}").arg(Messages::kScrollbackLines + 49));
    }

    void privateLogKeepsTheNewestEntries()
    {
        ChatRig r({kIncomingStampOff});
        const int messages = 20000;
        for (int i = 0; i < messages; ++i)
            r.receive(QStringLiteral("G4XYZ>:N0CALL-L~private %1").arg(i));
        const QPlainTextEdit *log = ui(r.chat()).Text3;
        QVERIFY(log->document()->blockCount() <= Messages::kPrivateLogLines);
        QVERIFY(log->document()->characterCount() <= Messages::kPrivateLogChars);
        QVERIFY(!log->document()->isUndoAvailable());
        // The newest entries, in order and without a gap up to the last one.
        const QStringList entries = log->toPlainText().split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(entries.size() >= Messages::kPrivateLogLines - Messages::kPrivateLogBatch - 1);
        for (qsizetype k = 0; k < entries.size(); ++k)
            QCOMPARE(entries[k], QStringLiteral("Message From <- G4XYZ> private %1").arg(messages - entries.size() + k));
        // Each was acknowledged all the same.
        QCOMPARE(r.rig.sent().size(), messages);
        QCOMPARE(r.rig.sent().last(), QStringLiteral(":G4XYZ~ Message Received~"));
    }

    void longLinesAreBounded_data()
    {
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("tail");
        QTest::addColumn<QString>("shownHead");
        QTest::addColumn<QString>("loggedHead");
        const QString big(100000, u'a');
        QTest::newRow("public lines") << "G4XYZ>" << big << "G4XYZ>: " << QString();
        QTest::newRow("private lines") << "G4XYZ>:N0CALL-L~" << big << "G4XYZ>: :N0CALL-L~"
                                       << "Message From <- G4XYZ> ";
        QTest::newRow("long senders") << QString(big).replace(u'a', u'S') << ">hi" << QString(30, u'S') << QString();
        QTest::newRow("emoticon codes") << "G4XYZ>" << QStringLiteral(":beer").repeated(20000) << "G4XYZ>: {icon 24}"
                                        << QString();
        QTest::newRow("line breaks") << "G4XYZ>" << QStringLiteral("x\r").repeated(20000) << QString() << QString();
    }
    void longLinesAreBounded()
    {
        QFETCH(QString, head);
        QFETCH(QString, tail);
        QFETCH(QString, shownHead);
        QFETCH(QString, loggedHead);
        ChatRig r({kIncomingStampOff});
        QTextDocument *display = ui(r.chat()).RTB->document();
        QTextDocument *log = ui(r.chat()).Text3->document();
        for (int i = 0; i < 40; ++i) {
            r.receive(head + tail);
            QVERIFY(display->characterCount() <= Messages::kScrollbackChars);
            QVERIFY(display->blockCount() <= Messages::kScrollbackLines);
            QVERIFY(log->characterCount() <= Messages::kPrivateLogChars);
            QVERIFY(log->blockCount() <= Messages::kPrivateLogLines);
        }
        // The newest long line is there, shown cut when it is longer than a
        // line edit holds, and an ordinary line after it is shown whole.
        QVERIFY(r.shown().last().startsWith(shownHead));
        r.receive("G4XYZ>the end");
        QCOMPARE(r.shown().last(), QStringLiteral("G4XYZ>: the end"));
        QVERIFY(r.shown().size() >= 2);
        const QString longLine = r.shown().at(r.shown().size() - 2);
        QVERIFY(longLine.startsWith(shownHead));
        if (!shownHead.isEmpty())
            QVERIFY(longLine.contains(QChar(0x2026)));
        if (!loggedHead.isEmpty()) {
            const QStringList entries = ui(r.chat()).Text3->toPlainText().split(u'\n', Qt::SkipEmptyParts);
            QVERIFY(entries.last().startsWith(loggedHead + "aaa"));
            QVERIFY(entries.last().endsWith(QChar(0x2026)));
            QCOMPARE(entries.last().size(), Messages::kLongestShown);
            QCOMPARE(r.rig.sent().size(), 40);
        }
    }

    void failingClientStopsTheLineOnly()
    {
        ChatRig r;
        r.rig.client.setFailing(true);
        r.receive("N0CALL>/chat/ first");
        r.rig.client.setFailing(false);
        r.receive("N0CALL>second");
        QCOMPARE(r.shown(), QStringList{"N0CALL>: (14:05) second"});
        QVERIFY(!ui(r.main()).StatusLine->text().isEmpty());
    }

    // -- composing ---------------------------------------------------------

    void typedLines_data()
    {
        QTest::addColumn<bool>("stamp");
        QTest::addColumn<int>("listWait");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("stamped") << true << 0 << "hello" << QStringList{"(14:05) >hello"}
                                 << QStringList{"N0CALL-L> : (14:05) >hello"};
        QTest::newRow("unstamped") << false << 0 << "hello" << QStringList{"hello"}
                                   << QStringList{"N0CALL-L> : hello"};
        QTest::newRow("dot-command") << false << 0 << ".users" << QStringList{".users"} << QStringList{};
        QTest::newRow("dot-command stamped") << true << 0 << ".users" << QStringList{"(14:05) >.users"}
                                             << QStringList{};
        QTest::newRow("empty") << false << 0 << "" << QStringList{""} << QStringList{};
        QTest::newRow("station list awaited") << false << 3 << "hello" << QStringList{"hello"} << QStringList{};
    }
    void typedLines()
    {
        QFETCH(bool, stamp);
        QFETCH(int, listWait);
        QFETCH(QString, typed);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, shown);
        ChatRig r(Settings{{"CHECK1", stamp ? "1" : "0"}});
        r.main().nListWait = listWait;
        r.type(typed);
        QCOMPARE(r.rig.sent(), sent);
        QCOMPARE(r.shown(), shown);
        QCOMPARE(ui(r.chat()).TextTX->text(), QString());
    }

    void failedSendKeepsTheText()
    {
        ChatRig r;
        r.rig.client.setFailing(true);
        r.type("hello");
        QCOMPARE(ui(r.chat()).TextTX->text(), QStringLiteral("hello"));
        QVERIFY(r.shown().isEmpty());
    }

    void echoFromOtherWindows()
    {
        ChatRig off({kStampOff});
        off.chat().TXText2("typed");
        QCOMPARE(off.shown(), QStringList{"N0CALL-L> : typed"});
        QVERIFY(off.rig.sent().isEmpty());
        QCOMPARE(ui(off.chat()).TextTX->text(), QString());

        ChatRig on;
        on.type("first");
        on.chat().TXText2("typed");
        QCOMPARE(on.shown(), (QStringList{"N0CALL-L> : (14:05) >first", "N0CALL-L> : (14:05) >first"}));
        QCOMPARE(ui(on.chat()).TextTX->text(), QString());
    }

    void privateSend_data()
    {
        QTest::addColumn<bool>("stamp");
        QTest::addColumn<QString>("sent");
        QTest::newRow("unstamped") << false << ":N0CALL~hi";
        QTest::newRow("stamped") << true << "(14:05) >:N0CALL~hi";
    }
    void privateSend()
    {
        QFETCH(bool, stamp);
        QFETCH(QString, sent);
        ChatRig r(Settings{{"CHECK1", stamp ? "1" : "0"}});
        Messages &c = r.chat();
        ui(c).Text1->setText("n0call");
        ui(c).Text2->setText("hi");
        ui(c).TextTX->setText("half a sentence");
        ui(c).Command2->click();
        QCOMPARE(ui(c).TextTX->text(), QStringLiteral("half a sentence")); // neither sent nor lost
        QCOMPARE(ui(c).Text3->toPlainText(), QStringLiteral("Message Sent To -> N0CALL 14:05 > hi\n"));
        QCOMPARE(r.rig.sent(), QStringList{sent});
        QCOMPARE(ui(c).Text1->text(), QStringLiteral("N0CALL"));
        QCOMPARE(ui(c).Text2->text(), QString());
        QCOMPARE(r.shown().size(), 1);
    }

    void paletteAppends_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("text");
        QTest::newRow("Image14 twice") << QList<int>{14, 14} << " :r) :r)";
        QTest::newRow("Image14 then Image1") << QList<int>{14, 1} << " :r) :) ";
        QTest::newRow("Image35") << QList<int>{35} << " :drink ";
    }
    void paletteAppends()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(QString, text);
        ChatRig r;
        for (int n : clicks)
            r.chat().Image(n)->click();
        QCOMPARE(ui(r.chat()).TextTX->text(), text);
        QCOMPARE(ui(r.chat()).TextTX->cursorPosition(), text.size());
        QVERIFY(r.rig.sent().isEmpty());
    }

    void pictureTablesMatchTheirControls()
    {
        ChatRig r;
        for (int n = 1; n <= chat::kPaletteCount; ++n)
            QCOMPARE(r.chat().Image(n)->toolTip(), chat::paletteText(n).trimmed());
        QCOMPARE(r.chat().imgIcon(22)->property("Tag").toString(), QStringLiteral(":Drink drink"));
        QCOMPARE(r.chat().imgIcon(41)->objectName(), QStringLiteral("imgIcon_41"));
    }

    void picturesDrawnWhenFirstNeeded()
    {
        ChatRig r;
        Messages &c = r.chat();
        // A bot that is never looked at draws no pictures at all.
        r.receive("N0CALL>:beer :)");
        QCOMPARE(c.art().drawnCount(), 0);
        QVERIFY(c.imgIcon(24)->pixmap().isNull());

        // Showing the window draws the palette (one member for each of its
        // codes) and, once painted, the pictures the display shows.
        c.showWindow();
        for (int n = 1; n <= chat::kPaletteCount; ++n)
            QVERIFY(!c.Image(n)->icon().isNull());
        QVERIFY(c.art().drawnCount() >= chat::kPaletteCount);
        QVERIFY(ui(c).RTB->document()->size().height() > 0);

        // The display asks for a picture when it paints it, also after a
        // clear; the skull is on no palette button.
        ui(c).ClearRX->click();
        const int drawn = c.art().drawnCount();
        const QVariant skull = ui(c).RTB->document()->resource(QTextDocument::ImageResource, QUrl("icon:25"));
        QCOMPARE(skull.value<QPixmap>().size(), QSize(chat::EmoticonArt::kSize, chat::EmoticonArt::kSize));
        QCOMPARE(c.art().drawnCount(), drawn + 1);
        QCOMPARE(c.imgIcon(25)->pixmap().cacheKey(), skull.value<QPixmap>().cacheKey());
    }

    // -- settings and layout -----------------------------------------------

    void freshInstallation()
    {
        ChatRig r;
        Messages &c = r.chat();
        QCOMPARE(c.windowTitle(), "Gavelry    N0CALL-L   v" + kVersion);
        QVERIFY(ui(c).Check1->isChecked() && ui(c).Check2->isChecked() && ui(c).Check3->isChecked());
        QVERIFY(ui(c).Option1->isChecked() && !ui(c).Option2->isChecked());
        QCOMPARE(ui(c).FilterText1->text(), QStringLiteral("timeout"));
        QCOMPARE(ui(c).FilterText5->text(), QStringLiteral("Disconnected"));
        QCOMPARE(ui(c).FilterText6->text(), QString());
        QCOMPARE(c.size(), QSize(466, 560));
        QCOMPARE(ui(c).RTB->height(), 409);
        QCOMPARE(ui(c).Command3->text(), QStringLiteral("Show Private Message"));
    }

    void saveAndReload()
    {
        ChatRig r;
        const QString longWord(300, u'x');
        ui(r.chat()).Option2->setChecked(true);
        ui(r.chat()).FilterText12->setText(longWord);
        ui(r.chat()).Check2->setChecked(false);
        ui(r.chat()).SaveIt->click();
        QCOMPARE(r.rig.iniValue("messagebox.ini", "OPTION1"), QStringLiteral("False"));
        QCOMPARE(r.rig.iniValue("messagebox.ini", "OPTION2"), QStringLiteral("True"));
        QCOMPARE(r.rig.iniValue("messagebox.ini", "CHECK2"), QStringLiteral("0"));

        TestRig again;
        QVERIFY(QFile::copy(QDir(r.rig.configDir()).filePath("messagebox.ini"),
                            QDir(again.configDir()).filePath("messagebox.ini")));
        again.start();
        Messages &c = again.program->messages();
        QVERIFY(ui(c).Option2->isChecked() && !ui(c).Option1->isChecked());
        QVERIFY(!ui(c).Check2->isChecked());
        QCOMPARE(ui(c).FilterText12->text(), longWord);
    }

    void failedSaveNamesTheFile()
    {
        ChatRig r;
        // A folder where the file should be: the write must fail.
        QVERIFY(QDir(r.rig.configDir()).mkdir("messagebox.ini"));
        r.chat().SaveData();
        QCOMPARE(r.rig.dialogs.shown().size(), 1);
        QVERIFY(r.rig.dialogs.shown().first().text.contains("messagebox.ini"));
    }

    void layoutButtons()
    {
        ChatRig r;
        Messages &c = r.chat();
        ui(c).Command39->click();
        QCOMPARE(c.size(), QSize(588, 647));
        QCOMPARE(ui(c).Command39->text(), QStringLiteral("Hide Extra"));
        ui(c).Command39->click();
        QCOMPARE(c.size(), QSize(466, 560));
        QCOMPARE(ui(c).Command39->text(), QStringLiteral("Show Extra"));

        ui(c).Command3->click();
        QCOMPARE(ui(c).RTB->height(), 177);
        QVERIFY(ui(c).ClearRX->isHidden());
        ui(c).Command3->click();
        QCOMPARE(ui(c).RTB->height(), 409);
        QVERIFY(!ui(c).ClearRX->isHidden());
        QCOMPARE(ui(c).Command3->text(), QStringLiteral("Show Private Message"));
    }

    void clientClosingEndsTheProgram()
    {
        ChatRig r;
        r.rig.client.raiseClosing();
        QCOMPARE(r.rig.endings, 1);
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestChatWindow)
#include "test_chat_window.moc"
