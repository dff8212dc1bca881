// The plain pieces of the EchoLink client: what connect-station accepts,
// the command queue between the GUI thread and the station's thread.
#include "platform/echolink/CommandQueue.h"
#include "platform/echolink/ConnectTarget.h"

#include <QTest>
#include <atomic>
#include <poll.h>
#include <thread>
#include <vector>

using namespace gavelry::echolink;

class TestEchoLinkLink : public QObject {
    Q_OBJECT

private slots:
    // A callsign goes to the directory; an address, bare or behind a name,
    // is linked to directly; the link keeps the text it was asked for.
    void target_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<QString>("address");
        QTest::newRow("conference") << "*HARBOUR*" << true << "*HARBOUR*" << "*HARBOUR*" << "";
        QTest::newRow("lower case, blanks") << "  g4abc-l " << true << "G4ABC-L" << "G4ABC-L" << "";
        QTest::newRow("address") << "192.168.1.20" << true << "192.168.1.20" << "" << "192.168.1.20";
        QTest::newRow("loopback") << "127.0.0.2" << true << "127.0.0.2" << "" << "127.0.0.2";
        QTest::newRow("name at address") << "*private*@10.0.0.5" << true << "*PRIVATE*@10.0.0.5" << ""
                                         << "10.0.0.5";
        QTest::newRow("empty") << "   " << false << "" << "" << "";
        QTest::newRow("blank inside") << "G4 ABC" << false << "" << "" << "";
        QTest::newRow("line break inside") << "G4ABC\r\n.ban add X" << false << "" << "" << "";
        QTest::newRow("octet too big") << "10.0.0.256" << false << "" << "" << "";
        QTest::newRow("three octets") << "10.0.5" << false << "" << "" << "";
        QTest::newRow("leading zero") << "10.0.0.05" << false << "" << "" << "";
        QTest::newRow("any address") << "0.0.0.0" << false << "" << "" << "";
        QTest::newRow("multicast") << "224.0.0.1" << false << "" << "" << "";
        QTest::newRow("broadcast") << "255.255.255.255" << false << "" << "" << "";
        QTest::newRow("name without address") << "*X*@" << false << "" << "" << "";
        QTest::newRow("address without name") << "@10.0.0.5" << false << "" << "" << "";
        QTest::newRow("name at host name") << "*X*@conf.example.org" << false << "" << "" << "";
        QTest::newRow("too long") << QString(80, u'A') << false << "" << "" << "";
    }
    void target()
    {
        QFETCH(QString, in);
        QFETCH(bool, ok);
        std::string why;
        const auto t = parseConnectTarget(in.toStdString(), why);
        QCOMPARE(t.has_value(), ok);
        if (!ok) {
            QVERIFY(!why.empty());
            return;
        }
        QTEST(QString::fromStdString(t->key), "key");
        QTEST(QString::fromStdString(t->callsign), "callsign");
        QTEST(QString::fromStdString(t->address), "address");
        // disconnect-station finds the link by the same name.
        QCOMPARE(linkKey(in.toStdString()), t->key);
    }

    // Commands from several threads all arrive, each thread's in its order,
    // and the reader is woken while any wait.
    void queueAcrossThreads()
    {
        CommandQueue queue;
        QVERIFY(queue.isValid());
        constexpr int kThreads = 4, kEach = 5000;
        std::vector<std::vector<int>> seen(kThreads);
        std::atomic<int> done{0};
        std::vector<std::thread> writers;
        for (int t = 0; t < kThreads; ++t)
            writers.emplace_back([&, t] {
                for (int i = 0; i < kEach; ++i)
                    queue.push([&seen, t, i] { seen[t].push_back(i); });
                ++done;
            });
        int ran = 0;
        while (ran < kThreads * kEach) {
            pollfd p{queue.readFd(), POLLIN, 0};
            QCOMPARE(::poll(&p, 1, -1), 1); // a command waits: the pipe says so
            for (auto &command : queue.take()) {
                command();
                ++ran;
            }
        }
        for (auto &w : writers)
            w.join();
        for (int t = 0; t < kThreads; ++t) {
            QCOMPARE(int(seen[t].size()), kEach);
            for (int i = 0; i < kEach; ++i)
                QCOMPARE(seen[t][i], i);
        }
        // Nothing left, and nothing signalled.
        pollfd p{queue.readFd(), POLLIN, 0};
        QCOMPARE(::poll(&p, 1, 0), 0);
    }

    // After shut, commands are refused, not queued for a reader that is gone.
    void queueShut()
    {
        CommandQueue queue;
        int ran = 0;
        QVERIFY(queue.push([&] { ++ran; }));
        queue.shut();
        QVERIFY(queue.isShut());
        QVERIFY(!queue.push([&] { ++ran; }));
        for (auto &command : queue.take())
            command();
        QCOMPARE(ran, 1);
    }
};

QTEST_GUILESS_MAIN(TestEchoLinkLink)
#include "test_echolink_link.moc"
