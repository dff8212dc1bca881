// The chat window's text matchers: the bad-word filter, the private-message
// test with its log and acknowledgement, and the split of a line.

#include "chat/ChatFilter.h"
#include "chat/ChatLine.h"
#include "chat/PrivateMessage.h"

#include <QTest>

using namespace gavelry::chat;

namespace {

const QStringList kDefaultBoxes{"timeout", "node", "Exceeded", "Connected", "Disconnected", "", "", "", "", "", "", ""};

} // namespace

class TestChatText : public QObject {
    Q_OBJECT
private slots:
    void filter_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("dropped");

        const QStringList empty(12, QString());
        const QStringList hello{"Hello"};
        QTest::newRow("built-in inside a word, case-sensitive") << "N0CALL>xfuckx" << empty << true << true;
        QTest::newRow("built-in inside a word, any case") << "N0CALL>xfuckx" << empty << false << true;
        QTest::newRow("built-in upper-cased line") << "N0CALL>SHIT happens" << empty << true << true;
        QTest::newRow("built-in mixed case word (Piss)") << "N0CALL>piss off" << empty << true << true;
        QTest::newRow("box word exact case") << "N0CALL>Hello all" << hello << true << true;
        QTest::newRow("box word other case, case-sensitive") << "N0CALL>hello all" << hello << true << false;
        QTest::newRow("box word other case, any case") << "N0CALL>hello all" << hello << false << true;
        QTest::newRow("default word Connected") << "*HARBOUR*>N0CALL Connected" << kDefaultBoxes << true << true;
        QTest::newRow("default word lower case kept") << "N0CALL>we are connected" << kDefaultBoxes << true << false;
        QTest::newRow("empty boxes never match") << "N0CALL>nice day" << empty << true << false;
        QTest::newRow("word at the very start does not count") << "fuck" << empty << true << false;
        QTest::newRow("only the first occurrence counts") << "Hello Hello" << hello << true << false;
        QTest::newRow("second character counts") << "xHello" << hello << true << true;
        QTest::newRow("empty line") << "" << kDefaultBoxes << false << false;
    }
    void filter()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, boxes);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, dropped);
        QCOMPARE(filterDrops(line, boxes, caseSensitive), dropped);
    }

    void containsJoined_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tail");
        QTest::newRow("joined") << "M0ABC>/TIMEOUT OFF/ N0CALL-L" << "N0CALL-L";
        QTest::newRow("tail elsewhere") << "M0ABC>N0CALL-L /TIMEOUT OFF/ G4XYZ" << "N0CALL-L";
        QTest::newRow("second head joined") << "/TIMEOUT OFF/ G4XYZ /TIMEOUT OFF/ N0CALL" << "N0CALL";
        QTest::newRow("tail cut short") << "x/TIMEOUT OFF/ N0CA" << "N0CALL";
        QTest::newRow("head overlapping itself") << "/TIMEOUT OFF/ /TIMEOUT OFF/ X" << "/TIMEOUT OFF/ X";
        QTest::newRow("empty tail") << "x/TIMEOUT OFF/ " << "";
        QTest::newRow("no head") << "N0CALL" << "N0CALL";
    }
    void containsJoined()
    {
        QFETCH(QString, text);
        QFETCH(QString, tail);
        const QString head = QStringLiteral("/TIMEOUT OFF/ ");
        QCOMPARE(gavelry::chat::containsJoined(text, head, tail), text.contains(head + tail));
    }

    void split_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("message");
        QTest::newRow("station line") << "N0CALL>hello" << "N0CALL>" << "hello";
        QTest::newRow("first > splits") << "N0CALL>a > b" << "N0CALL>" << "a > b";
        QTest::newRow("no sender") << "Welcome to the conference" << "" << "Welcome to the conference";
        QTest::newRow("empty message") << "N0CALL>" << "N0CALL>" << "";
    }
    void split()
    {
        QFETCH(QString, line);
        QFETCH(QString, sender);
        QFETCH(QString, message);
        const ChatLine parts = splitChatLine(line);
        QCOMPARE(parts.sender, sender);
        QCOMPARE(parts.message, message);
    }

    void displayLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stamped");
        QTest::newRow("one line") << "N0CALL>hi" << "hi" << "(09:07) hi";
        QTest::newRow("CR becomes CR LF") << "*HARBOUR*>1. A\r2. B" << "1. A\r\n2. B" << "(09:07) 1. A\r\n2. B";
        QTest::newRow("CR LF gains a LF") << "X>a\r\nb" << "a\r\n\nb" << "(09:07) a\r\n\nb";
    }
    void displayLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, message);
        QFETCH(QString, stamped);
        const DisplayLine shown = gavelry::chat::displayLine(line, "09:07");
        QCOMPARE(shown.message, message);
        QCOMPARE(shown.stamped, stamped);
    }

    void privateTest_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("isPrivate");
        const QString own = privateTag("N0CALL-L");
        QTest::newRow("addressed to us") << "N0CALL>:N0CALL-L~hello" << true;
        QTest::newRow("to someone else") << "N0CALL>:M0ABC~hello" << false;
        QTest::newRow("tag at the very start does not count") << ":N0CALL-L~hello" << false;
        QTest::newRow("first occurrence decides") << ":N0CALL-L~hi :N0CALL-L~" << false;
        QTest::newRow("extra call") << "N0CALL>:G4XYZ~hello" << true;
        QTest::newRow("callsign compared as written") << "N0CALL>:n0call-l~hello" << false;
    }
    void privateTest()
    {
        QFETCH(QString, line);
        QFETCH(bool, isPrivate);
        QCOMPARE(isPrivateLine(line, {privateTag("G4XYZ"), privateTag("N0CALL-L"), QString()}), isPrivate);
    }

    void receivedLog_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("entry");
        QTest::newRow("own tag blanked") << "N0CALL>:C~hello" << "Message From <- N0CALL> hello\r\n";
        QTest::newRow("tilde in body kept") << "N0CALL>:C~a~b" << "Message From <- N0CALL> a~b\r\n";
        QTest::newRow("acknowledgement") << "C>:N0CALL~ Message Received~"
                                         << "Message From <- C>:N0CALL~ Message Received~\r\n";
    }
    void receivedLog()
    {
        QFETCH(QString, line);
        QFETCH(QString, entry);
        QCOMPARE(receivedLogEntry(line, privateTag("C")), entry);
    }

    void acknowledgement_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("ack"); // "-" for none
        QTest::newRow("to our call") << "N0CALL>:N0CALL-L~hello" << "N0CALL-L" << ":N0CALL~ Message Received~";
        QTest::newRow("an acknowledgement is never acknowledged")
            << "N0CALL-L>:N0CALL~ Message Received~" << "N0CALL" << "-";
        QTest::newRow("any line ending in ~") << "N0CALL>:N0CALL-L~hi~" << "N0CALL-L" << "-";
        // The sender is taken whole even when it holds our own callsign or
        // the message came through the extra call.
        QTest::newRow("sender contains our call") << "N0CALL-R>:N0CALL~hi" << "N0CALL" << ":N0CALL-R~ Message Received~";
        QTest::newRow("through the extra call") << "N0CALL>:G4XYZ~hi" << "N0CALL-L" << ":N0CALL~ Message Received~";
        QTest::newRow("no sender") << "X:N0CALL-L~hi" << "N0CALL-L" << ":X:~~ Message Received~";
        QTest::newRow("line break in the head") << ":W1\n.ban add K2~x" << "W1" << ":: .ban add K2~~ Message Received~";
        QTest::newRow("line breaks in the sender") << "K1\r\n.mute .>:W1~x" << "W1" << ":K1  .mute .~ Message Received~";
    }
    void acknowledgement()
    {
        QFETCH(QString, line);
        QFETCH(QString, local);
        QFETCH(QString, ack);
        const auto got = gavelry::chat::acknowledgement(line, local);
        QCOMPARE(got.value_or(QStringLiteral("-")), ack);
    }

    void sentLog()
    {
        QCOMPARE(sentLogEntry("N0CALL", "14:05", "hi"), QStringLiteral("Message Sent To -> N0CALL 14:05 > hi\r\n"));
        QCOMPARE(privateWireLine("N0CALL", "hi"), QStringLiteral(":N0CALL~hi"));
        QCOMPARE(stampOutgoing("09:07", "hello"), QStringLiteral("(09:07) >hello"));
        QCOMPARE(stampIncoming("21:40", "hello"), QStringLiteral("(21:40) hello"));
    }
};

QTEST_APPLESS_MAIN(TestChatText)
#include "test_chat_text.moc"
