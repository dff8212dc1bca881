#include "LibraryMessages.h"

#include <QTest>
#include <sstream>

using gavelry::echolink::LibraryMessages;
using namespace std::chrono;

namespace {

/// A buffer on a clock the test moves; what reaches out is in text().
struct Rig {
    steady_clock::time_point now{};
    std::stringbuf out;
    LibraryMessages buffer{&out, [this] { return now; }};
    std::ostream stream{&buffer};

    QStringList lines() const
    {
        return QString::fromStdString(out.str()).split(u'\n', Qt::SkipEmptyParts);
    }
};

} // namespace

class TestLibraryMessages : public QObject {
    Q_OBJECT
private slots:
    void linesPassWholeOrCut_data()
    {
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("one line") << QByteArray("Unknown packet\n") << QStringList{"EchoLink library: Unknown packet"};
        QTest::newRow("in pieces, flushed between") << QByteArray("a\x01" "b\n")
                                                    << QStringList{"EchoLink library: a\x01" "b"};
        QTest::newRow("no line end yet: nothing") << QByteArray("half a line") << QStringList{};
        QTest::newRow("empty line kept") << QByteArray("\n") << QStringList{"EchoLink library: "};
        const QByteArray dump(5000, 'x');
        QTest::newRow("a 5000-byte dump is cut")
            << dump + "\n" << QStringList{"EchoLink library: " + QString(int(LibraryMessages::kLongestLine), u'x') + "..."};
    }
    void linesPassWholeOrCut()
    {
        QFETCH(QByteArray, written);
        QFETCH(QStringList, shown);
        Rig r;
        const qsizetype half = written.size() / 2;
        r.stream << written.left(half).toStdString() << std::flush << written.mid(half).toStdString();
        QCOMPARE(r.lines(), shown);
    }

    // A flood shows the first lines of each minute and then how many were
    // left out; a quiet library loses nothing.
    void floodIsBounded_data()
    {
        QTest::addColumn<int>("perMinute");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("shownLines");
        QTest::addColumn<int>("leftOutNotes");
        const int most = LibraryMessages::kLinesPerWindow;
        QTest::newRow("quiet") << 5 << 3 << 15 << 0;
        QTest::newRow("exactly the bound") << most << 2 << 2 * most << 0;
        QTest::newRow("flood for 3 minutes") << 1000 << 3 << 3 * most + 2 << 2;
    }
    void floodIsBounded()
    {
        QFETCH(int, perMinute);
        QFETCH(int, minutes);
        QFETCH(int, shownLines);
        QFETCH(int, leftOutNotes);
        Rig r;
        for (int m = 0; m < minutes; ++m) {
            for (int i = 0; i < perMinute; ++i)
                r.stream << "Malformed chat packet received:" << std::endl;
            r.now += seconds(61);
        }
        const QStringList lines = r.lines();
        QCOMPARE(lines.size(), shownLines);
        const QStringList notes = lines.filter(QStringLiteral("more messages left out"));
        QCOMPARE(notes.size(), leftOutNotes);
        for (const QString &note : notes)
            QCOMPARE(note, QStringLiteral("EchoLink library: (%1 more messages left out)").arg(perMinute - LibraryMessages::kLinesPerWindow));
    }

    // What is still counted when the station goes is said then.
    void leftOutSaidAtTheEnd()
    {
        std::stringbuf out;
        {
            LibraryMessages buffer(&out, [] { return steady_clock::time_point{}; });
            std::ostream stream(&buffer);
            for (int i = 0; i < LibraryMessages::kLinesPerWindow + 7; ++i)
                stream << "x\n";
        }
        QVERIFY(QString::fromStdString(out.str()).endsWith(QStringLiteral("(7 more messages left out)\n")));
    }
};

QTEST_APPLESS_MAIN(TestLibraryMessages)
#include "test_library_messages.moc"
