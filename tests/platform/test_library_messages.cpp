#include "platform/echolink/LibraryMessages.h"

#include <QTest>
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <thread>

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

    // The library prints with iostreams and with C's stdio: whichever way
    // its thread writes, the line is bounded and marked as the library's.
    // What another thread writes to stdout or stderr is passed on as it was.
    void everyWayOfPrinting_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("libraryThread");
        QTest::addColumn<QByteArray>("bounded");
        QTest::addColumn<QByteArray>("passedOn");
        const QByteArray cut = "EchoLink library: Unexpected reply from directory server (waiting for OK): "
            + QByteArray(int(LibraryMessages::kLongestLine) - 57, 'x') + "...\n";
        QTest::newRow("cerr") << "cerr" << true << QByteArray("EchoLink library: a\n") << QByteArray();
        QTest::newRow("cout") << "cout" << true << QByteArray("EchoLink library: a\n") << QByteArray();
        QTest::newRow("cout, other thread") << "cout" << false << QByteArray() << QByteArray("a\n");
        QTest::newRow("fprintf") << "fprintf" << true << QByteArray("EchoLink library: a\n") << QByteArray();
        QTest::newRow("fprintf, other thread") << "fprintf" << false << QByteArray() << QByteArray("a\n");
        QTest::newRow("perror") << "perror" << true << QByteArray("EchoLink library: a: Too many open files\n")
                                << QByteArray();
        QTest::newRow("perror, other thread") << "perror" << false << QByteArray()
                                              << QByteArray("a: Too many open files\n");
        QTest::newRow("3 kB reply a byte at a time") << "dump" << true << cut << QByteArray();
    }
    void everyWayOfPrinting()
    {
        QFETCH(QString, how);
        QFETCH(bool, libraryThread);
        // Stand-ins for the process's stdout and stderr while the guard lives.
        std::stringbuf coutBefore;
        char *errText = nullptr;
        size_t errSize = 0;
        FILE *errBefore = ::open_memstream(&errText, &errSize);
        QVERIFY(errBefore);
        FILE *const realStderr = stderr;
        std::streambuf *const realCout = std::cout.rdbuf(&coutBefore);
        stderr = errBefore;

        std::stringbuf out;
        {
            LibraryMessages::Installed installed(&out);
            std::thread([&] {
                if (libraryThread)
                    LibraryMessages::markLibraryThread();
                if (how == "cerr")
                    std::cerr << "a" << std::endl;
                else if (how == "cout")
                    std::cout << "a" << std::endl;
                else if (how == "fprintf")
                    std::fprintf(stderr, "%s\n", "a");
                else if (how == "perror") {
                    errno = EMFILE;
                    std::perror("a");
                } else {
                    std::fprintf(stderr, "Unexpected reply from directory server (waiting for OK): ");
                    for (int i = 0; i < 3000; ++i)
                        std::fprintf(stderr, "%c", 'x');
                    std::fprintf(stderr, "\n");
                }
            }).join();
        }

        const bool restored = stderr == errBefore && std::cout.rdbuf() == &coutBefore;
        stderr = realStderr;
        std::cout.rdbuf(realCout);
        std::fclose(errBefore);
        const QByteArray passedOn = QByteArray::fromStdString(coutBefore.str()) + QByteArray(errText, qsizetype(errSize));
        std::free(errText);
        QVERIFY(restored);
        QTEST(QByteArray::fromStdString(out.str()), "bounded");
        QTEST(passedOn, "passedOn");
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
