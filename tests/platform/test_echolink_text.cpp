#include "platform/echolink/EchoLinkText.h"

#include <QTest>

using namespace gavelry::echolink;

Q_DECLARE_METATYPE(gavelry::echolink::TextKind)

namespace {

QByteArray bytes(const std::string &s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

std::string text(const QByteArray &b)
{
    return std::string(b.constData(), std::size_t(b.size()));
}

} // namespace

class TestEchoLinkText : public QObject {
    Q_OBJECT

private slots:
    // What arrives as text becomes one chat packet, the station list, or
    // nothing. A chat packet's lines are joined by one CR and it never ends
    // in a line end, so the chat window shows a reply as one entry.
    void received_data()
    {
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<TextKind>("kind");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("chat from a station") << QByteArray("N0CALL>hello\n\n") << TextKind::Chat << QByteArray("N0CALL>hello");
        QTest::newRow("chat from a server") << QByteArray("*CONF*>hi all\n") << TextKind::Chat << QByteArray("*CONF*>hi all");
        QTest::newRow("CR endings") << QByteArray("N0CALL>x\r\r") << TextKind::Chat << QByteArray("N0CALL>x");
        QTest::newRow("two lines") << QByteArray("N0CALL>a\nFAKE>b\n") << TextKind::Chat << QByteArray("N0CALL>a\rFAKE>b");
        QTest::newRow("sent CR LF inside") << QByteArray("N0CALL>a\n\nb\n\n") << TextKind::Chat << QByteArray("N0CALL>a\rb");
        QTest::newRow("station list") << QByteArray("CONF *TEST* [2/10]\n\n->N0CALL Ann\nK1ABC (Muted)\n")
                                      << TextKind::StationList
                                      << QByteArray("CONF *TEST* [2/10]\n\n->N0CALL Ann\nK1ABC (Muted)\n");
        QTest::newRow("station info with CR") << QByteArray("\rN0CALL Ann\r") << TextKind::StationList << QByteArray("\nN0CALL Ann\n");
        QTest::newRow("lower conf is chat") << QByteArray("conf>x") << TextKind::Chat << QByteArray("conf>x");
        QTest::newRow("empty") << QByteArray() << TextKind::Nothing << QByteArray();
        QTest::newRow("only line ends") << QByteArray("\n\n") << TextKind::Nothing << QByteArray();
        QTest::newRow("NUL-filled") << QByteArray(64, '\0') << TextKind::Nothing << QByteArray();
        QTest::newRow("cut at NUL") << QByteArray("N0CALL>a\0junk", 13) << TextKind::Chat << QByteArray("N0CALL>a");
        QTest::newRow("server reply") << QByteArray("banned users:\nK1ABC -\nW2XYZ -\n") << TextKind::Chat
                                      << QByteArray("banned users:\rK1ABC -\rW2XYZ -");
        QTest::newRow("users reply, blank flags") << QByteArray("1. N0CALL \n2. K1ABC M\n") << TextKind::Chat
                                                  << QByteArray("1. N0CALL \r2. K1ABC M");
        const QByteArray big = "N0CALL>" + QByteArray(10240, 'x');
        QTest::newRow("10 kB line") << big + "\n" << TextKind::Chat << big;
    }
    void received()
    {
        QFETCH(QByteArray, in);
        QFETCH(TextKind, kind);
        QFETCH(QByteArray, out);
        const ReceivedText r = classifyReceivedText(text(in));
        QCOMPARE(r.kind, kind);
        QCOMPARE(bytes(r.text), out);
    }

    // A line handed in to send goes out as exactly one line.
    void outgoing_data()
    {
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("plain") << QByteArray("hello") << QByteArray("hello");
        QTest::newRow("inner LF") << QByteArray("a\nb") << QByteArray("a b");
        QTest::newRow("CRLF at end") << QByteArray("a\r\n") << QByteArray("a");
        QTest::newRow("only line ends") << QByteArray("\r\n") << QByteArray("");
        QTest::newRow("NUL inside") << QByteArray("a\0b", 3) << QByteArray("a b");
        QTest::newRow("leading blanks kept") << QByteArray("  x") << QByteArray("  x");
        QTest::newRow("VT and FF") << QByteArray("a\vb\fc") << QByteArray("a b c");
        QTest::newRow("file, group and record separators") << QByteArray("a\x1c" "b\x1d" "c\x1e" "d")
                                                           << QByteArray("a b c d");
        QTest::newRow("NEL in UTF-8") << QByteArray("a\xC2\x85" "b") << QByteArray("a b");
        QTest::newRow("line and paragraph separators in UTF-8") << QByteArray("a\xE2\x80\xA8" "b\xE2\x80\xA9" "c")
                                                                << QByteArray("a b c");
        QTest::newRow("other UTF-8 kept") << QByteArray("\xE2\x80\xA6 \xC3\xA9") << QByteArray("\xE2\x80\xA6 \xC3\xA9");
        QTest::newRow("tab kept") << QByteArray("a\tb") << QByteArray("a\tb");
    }
    void outgoing()
    {
        QFETCH(QByteArray, in);
        QFETCH(QByteArray, out);
        QCOMPARE(bytes(outgoingChatLine(text(in))), out);
    }

    // An oversized text is cut at a character boundary, never inside one.
    void cut_data()
    {
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<int>("max");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("short enough") << QByteArray("abc") << 3 << QByteArray("abc");
        QTest::newRow("ASCII") << QByteArray("abcdef") << 4 << QByteArray("abcd");
        QTest::newRow("before a two-byte letter") << QByteArray("ab\xC3\xA9") << 3 << QByteArray("ab");
        QTest::newRow("after a two-byte letter") << QByteArray("ab\xC3\xA9x") << 4 << QByteArray("ab\xC3\xA9");
        QTest::newRow("inside a four-byte sign") << QByteArray("a\xF0\x9F\x98\x80") << 4 << QByteArray("a");
        QTest::newRow("nothing left") << QByteArray("\xE2\x80\xA6") << 2 << QByteArray("");
    }
    void cut()
    {
        QFETCH(QByteArray, in);
        QFETCH(int, max);
        QFETCH(QByteArray, out);
        QCOMPARE(bytes(cutToBytes(text(in), std::size_t(max))), out);
    }
};

QTEST_APPLESS_MAIN(TestEchoLinkText)
#include "test_echolink_text.moc"
