#include "platform/Dialogs.h"
#include "platform/EditStyle.h"
#include "platform/SingleInstance.h"
#include "platform/VirtualScheduler.h"
#include "platform/ClientState.h"
#include "platform/sim/SimClient.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

using namespace gavelry;

class TestPlatformMisc : public QObject {
    Q_OBJECT

private slots:
    // A style acts on what is typed, where it is typed; the text the box
    // held before keeps its letters.
    void editStyles_data()
    {
        QTest::addColumn<bool>("upper");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("upper") << true << "" << 0 << "n0call-r" << "N0CALL-R";
        QTest::newRow("upper after program text") << true << "Conference 1" << 12 << "2b" << "Conference 12B";
        QTest::newRow("upper in the middle") << true << "ab" << 1 << "x" << "aXb";
        QTest::newRow("upper among equal letters") << true << "aa" << 0 << "a" << "Aaa";
        QTest::newRow("digits keep digits") << false << "" << 0 << "12a3" << "123";
        QTest::newRow("digits refuse all") << false << "" << 0 << "abc" << "";
        QTest::newRow("digits beside program text") << false << "10 min" << 2 << "5x" << "105 min";
    }
    void editStyles()
    {
        QFETCH(bool, upper);
        QFETCH(QString, before);
        QFETCH(int, caret);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QLineEdit edit;
        edit.setText(QStringLiteral("kept"));
        upper ? EditStyle::setUpperCase(&edit) : EditStyle::setDigitsOnly(&edit);
        QCOMPARE(edit.text(), QStringLiteral("kept")); // text set by the program keeps its case
        edit.setText(before);
        edit.setCursorPosition(caret);
        QTest::keyClicks(&edit, typed);
        QCOMPARE(edit.text(), shown);
    }

    void singleInstancePerFolder()
    {
        QTemporaryDir a, b;
        SingleInstance first(a.path());
        QVERIFY(first.acquire());
        SingleInstance second(a.path());
        QVERIFY(!second.acquire());
        SingleInstance other(b.path());
        QVERIFY(other.acquire());
    }

    void scriptedDialogsAnswerFromQueues()
    {
        ScriptedDialogs d;
        d.queueReply(MsgAnswer::No);
        d.queueAnswer(QStringLiteral("N0CALL"));
        QCOMPARE(d.messageBox("q", "t", MsgButtons::YesNo, MsgIcon::Question), MsgAnswer::No);
        QCOMPARE(d.messageBox("q", "t", MsgButtons::YesNo, MsgIcon::Question), MsgAnswer::Yes); // default
        QCOMPARE(d.inputBox("p"), QStringLiteral("N0CALL"));
        QCOMPARE(d.inputBox("p"), QString()); // nothing queued: cancelled
        QCOMPARE(d.shown().size(), 4);
        QCOMPARE(d.shown().at(2).kind, QStringLiteral("input"));
    }

    void simLinksAfterDelayAndRaisesConnected()
    {
        VirtualScheduler s(QDateTime(QDate(2026, 1, 5), QTime(12, 0)));
        SimClient client(s, QStringLiteral("N0CALL-L"));
        SimClientFactory factory(client);
        auto a = factory.create();
        auto b = factory.create();
        QStringList seen;
        connect(a.get(), &ClientLink::connected, this, [&](const QString &c) { seen << "a:" + c; });
        connect(b.get(), &ClientLink::connected, this, [&](const QString &c) { seen << "b:" + c; });
        a->connectStation(QStringLiteral("*harbour*"), true);
        QVERIFY(!a->isConnected(QStringLiteral("*HARBOUR*")));
        s.advanceTo(499);
        QVERIFY(seen.isEmpty());
        s.advanceTo(500);
        QCOMPARE(seen, QStringList({"a:*HARBOUR*", "b:*HARBOUR*"}));
        QVERIFY(b->isConnected(QStringLiteral("*HARBOUR*")));
        QCOMPARE(b->connectionCount(), 1);
        b->disconnectAll();
        QCOMPARE(a->connectionCount(), 0);
    }

    // Every event the client raises reaches every handle, with its values.
    void everyClientEventReachesTheHandles()
    {
        VirtualScheduler s(QDateTime(QDate(2026, 1, 5), QTime(12, 0)));
        SimClient client(s, QStringLiteral("N0CALL-L"));
        SimClientFactory factory(client);
        auto link = factory.create();
        QStringList seen;
        connect(link.get(), &ClientLink::connected, this,
                [&](const QString &c, const QString &n, const QString &a) { seen << "connected " + c + n + a; });
        connect(link.get(), &ClientLink::RX, this, [&](bool on) { seen << QStringLiteral("RX %1").arg(on); });
        connect(link.get(), &ClientLink::DTMFString, this, [&](const QString &d) { seen << "DTMF " + d; });
        connect(link.get(), &ClientLink::StationTextReceived, this, [&](const QString &t) { seen << "station " + t; });
        connect(link.get(), &ClientLink::ChatTextReceived, this, [&](const QString &t) { seen << "chat " + t; });
        connect(link.get(), &ClientLink::Closing, this, [&] { seen << "closing"; });
        client.raiseConnected("W1ABC", "Walter", "10.0.0.1");
        client.raiseRX(true);
        client.raiseDTMF("*12");
        client.raiseStationText("CONF");
        client.raiseChat("W1ABC>hi");
        client.raiseClosing();
        QCOMPARE(seen, QStringList({"connected W1ABCWalter10.0.0.1", "RX 1", "DTMF *12", "station CONF", "chat W1ABC>hi",
                                    "closing"}));
    }

    void clientStateAnswersFromWhatTheBackendReported()
    {
        ClientState state;
        QSignalSpy changes(&state, &ClientState::linksChanged);
        state.setLocalCallsign(QStringLiteral("N0CALL-L"));
        state.linkUp(QStringLiteral("*harbour*"));
        state.linkUp(QStringLiteral("*HARBOUR*")); // the same link again
        state.linkUp(QString());
        state.linkUp(QStringLiteral("n0call-r"));
        QCOMPARE(state.links(), QStringList({"*HARBOUR*", "N0CALL-R"}));
        QCOMPARE(changes.count(), 2);
        QVERIFY(state.isConnected(QStringLiteral("*Harbour*")));
        QVERIFY(!state.isConnected(QString()));
        state.linkDown(QStringLiteral("*harbour*"));
        state.linkDown(QStringLiteral("*harbour*"));
        QCOMPARE(state.connectionCount(), 1);
        QCOMPARE(changes.count(), 3);

        // A client that does not answer fails every question, as a call would.
        state.setAnswering(false);
        QVERIFY_THROWS_EXCEPTION(ClientError, state.connectionCount());
        QVERIFY_THROWS_EXCEPTION(ClientError, state.isConnected(QStringLiteral("N0CALL-R")));
        QVERIFY_THROWS_EXCEPTION(ClientError, state.localCallsign());
        state.setAnswering(true);
        QCOMPARE(state.localCallsign(), QStringLiteral("N0CALL-L"));
    }

    void simFailsOnDemand()
    {
        VirtualScheduler s(QDateTime(QDate(2026, 1, 5), QTime(12, 0)));
        SimClient client(s, QStringLiteral("N0CALL-L"));
        SimClientFactory factory(client);
        auto link = factory.create();
        client.setFailing(true);
        QVERIFY_THROWS_EXCEPTION(ClientError, link->sendChatText(QStringLiteral("x")));
        factory.setUnavailable(true);
        QVERIFY_THROWS_EXCEPTION(ClientError, factory.create());
    }
};

QTEST_MAIN(TestPlatformMisc)
#include "test_platform_misc.moc"
