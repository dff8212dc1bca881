#include "platform/VirtualScheduler.h"
#include "platform/sim/SimClient.h"
#include "platform/sim/SimConference.h"
#include "platform/sim/SimLively.h"

#include <QTest>

using namespace gavelry;

namespace {

const QDateTime kStart{QDate(2026, 1, 5), QTime(12, 0, 0)};
const QString kConf = QStringLiteral("*HARBOUR*");
const QString kLocal = QStringLiteral("N0CALL-L");
const QString kBanner = QStringLiteral("\r\rWelcome to the *HARBOUR* conference");

/// A conference with two stations and the local station linked, and a log
/// of every event the client raises toward the program.
struct Rig {
    VirtualScheduler scheduler{kStart};
    SimClient client{scheduler, kLocal};
    SimConference conf{client, kConf, QStringLiteral("ADM"), QStringLiteral("SYS")};
    QStringList events;

    explicit Rig(bool linkLocal = true)
    {
        QObject::connect(&client, &SimClient::RX, &conf, [this](bool on) { log(on ? "rx on" : "rx off"); });
        QObject::connect(&client, &SimClient::ChatTextReceived, &conf, [this](const QString &t) { log("chat " + t); });
        QObject::connect(&client, &SimClient::StationTextReceived, &conf,
                         [this](const QString &t) { log("info " + t); });
        QObject::connect(&client, &SimClient::DTMFString, &conf, [this](const QString &d) { log("dtmf " + d); });
        conf.join(QStringLiteral("W1ABC"), QStringLiteral("Walter"));
        conf.join(QStringLiteral("K2XYZ"), QStringLiteral("Kim"));
        if (linkLocal)
            client.linkUp(kConf);
        events.clear();
    }
    void log(const QString &e) { events.append(QStringLiteral("%1 %2").arg(scheduler.elapsedMs()).arg(e)); }
    QStringList take()
    {
        QStringList e = events;
        events.clear();
        return e;
    }
};

} // namespace

class TestSimConference : public QObject {
    Q_OBJECT

private slots:
    void commandReplies_data()
    {
        QTest::addColumn<bool>("loggedOn");
        QTest::addColumn<bool>("talking");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("reply");
        QTest::newRow("admin password") << false << false << ".admin ADM" << "Your wish is my command.";
        QTest::newRow("sysop password") << false << false << ".sysop SYS" << "By your command.";
        QTest::newRow("wrong admin password") << false << false << ".admin adm" << "";
        QTest::newRow("admin password as sysop") << false << false << ".sysop ADM" << "";
        QTest::newRow("no rights, no answer") << false << true << ".mute W1ABC" << "";
        QTest::newRow("unknown command") << true << false << ".frobnicate now" << "";
        QTest::newRow("not a command") << true << false << "hello .mute W1ABC" << "";
        QTest::newRow("mute call") << true << false << ".mute w1abc" << "W1ABC muted.";
        QTest::newRow("mute persistent") << true << false << ".mute K2XYZ -p" << "K2XYZ muted.";
        QTest::newRow("mute stranger") << true << false << ".mute Q9ZZZ" << "No Q9ZZZ found.";
        QTest::newRow("mute talker, none") << true << false << ".mute ." << "Error: no one is talking.";
        QTest::newRow("mute talker") << true << true << ".mute ." << "station talking muted.";
        QTest::newRow("mute talker persistently") << true << true << ".mute . -p" << "station talking muted.";
        QTest::newRow("unmute stranger") << true << false << ".unmute Q9ZZZ" << "No Q9ZZZ found.";
        QTest::newRow("ban list without log-on") << false << false << ".ban list" << "";
        QTest::newRow("quote as admin") << true << false << ".quote notice" << "";
        QTest::newRow("unmute call") << true << false << ".unmute K2XYZ" << "K2XYZ unmuted.";
        QTest::newRow("unmute all") << true << false << ".unmute -a" << "All stations unmuted.";
        QTest::newRow("muted list empty") << true << false << ".Mute" << "No stations are muted.";
        QTest::newRow("disconnect talker, none") << true << false << ".disconnect ." << "No one is talking";
        QTest::newRow("disconnect talker") << true << true << ".disconnect ." << "W1ABC disconnected";
        QTest::newRow("disconnect call") << true << false << ".disconnect k2xyz" << "K2XYZ disconnected";
        QTest::newRow("disc stranger") << true << false << ".disc Q9ZZZ" << "Q9ZZZ not found";
        QTest::newRow("ban add") << true << false << ".ban add K2XYZ" << "K2XYZ banned";
        QTest::newRow("ban delete stranger") << true << false << ".ban delete Q9ZZZ"
                                             << "Q9ZZZ was not found on the banned list.";
        QTest::newRow("ban list empty") << true << false << ".ban list" << "banned users:";
        QTest::newRow("connect") << true << false << ".connect G4KVT" << "Connecting to G4KVT";
        QTest::newRow("users without rights") << false << true << ".users"
                                              << "1. W1ABC T\r2. K2XYZ \r3. N0CALL-L ";
        QTest::newRow("users as admin") << true << false << ".users" << "1. W1ABC \r2. K2XYZ \r3. N0CALL-L A";
        QTest::newRow("admins") << true << false << ".admins" << "Admins:\rN0CALL-L Gavelry\rSysops:";
        QTest::newRow("lurk") << true << false << ".lurk" << "You are now lurking.";
        QTest::newRow("quote answers nothing") << true << false << ".quote hello all" << "";
    }
    void commandReplies()
    {
        QFETCH(bool, loggedOn);
        QFETCH(bool, talking);
        QFETCH(QString, line);
        QFETCH(QString, reply);
        Rig rig;
        if (loggedOn)
            QCOMPARE(rig.conf.command(kLocal, QStringLiteral(".admin ADM")), QStringLiteral("Your wish is my command."));
        if (talking)
            rig.conf.key(QStringLiteral("W1ABC"));
        QCOMPARE(rig.conf.command(kLocal, line), reply);
    }

    /// A restart with the link kept: nothing is taken while it is down, the
    /// station list comes again when it is up, and the log-on is gone
    /// without a word, so a command that needs it gets no answer.
    void restartForgetsTheLogOnInSilence()
    {
        Rig rig;
        rig.client.sendChatText(QStringLiteral(".admin ADM"));
        rig.client.sendChatText(QStringLiteral(".mute K2XYZ"));
        rig.scheduler.advanceBy(1000);
        rig.take();
        rig.conf.restart(2000);
        QVERIFY(!rig.conf.isMuted(QStringLiteral("K2XYZ")));
        rig.client.sendChatText(QStringLiteral(".users"));
        rig.scheduler.advanceBy(1000);
        QVERIFY(rig.take().isEmpty());
        rig.scheduler.advanceBy(1000);
        const QStringList up = rig.take();
        QCOMPARE(up.size(), 1);
        QVERIFY2(up.first().startsWith(QStringLiteral("3000 info CONF *HARBOUR* [3/50]")), qPrintable(up.first()));
        rig.client.sendChatText(QStringLiteral(".mute K2XYZ"));
        rig.client.sendChatText(QStringLiteral(".admins"));
        rig.scheduler.advanceBy(1000);
        QCOMPARE(rig.take(), QStringList{"3200 chat Admins:\rSysops:"});
    }

    void replyComesLaterAndOnlyToTheLinkedLocalStation()
    {
        Rig rig;
        rig.client.sendChatText(QStringLiteral(".admin ADM"));
        QVERIFY(rig.events.isEmpty()); // never inside the send call
        rig.scheduler.advanceBy(1000);
        // No "CALL>" in front, every line ended by CR.
        QCOMPARE(rig.take(), QStringList{"200 chat Your wish is my command."});
        rig.client.sendChatText(QStringLiteral(".ban list"));
        rig.scheduler.advanceBy(1000);
        QCOMPARE(rig.take(), QStringList{"1200 chat banned users:"});

        // A quoted line reaches only sysops: the admin hears nothing of it.
        rig.client.sendChatText(QStringLiteral("good evening"));
        rig.client.sendChatText(QStringLiteral(".quote (12:00) notice"));
        rig.scheduler.advanceBy(1000);
        QVERIFY(rig.take().isEmpty());
        rig.client.sendChatText(QStringLiteral(".sysop SYS"));
        rig.scheduler.advanceBy(1000);
        rig.take();
        rig.client.sendChatText(QStringLiteral(".quote (12:00) notice"));
        rig.scheduler.advanceBy(1000);
        QCOMPARE(rig.take(), QStringList{"4200 chat *HARBOUR*>(12:00) notice"});

        // After unlinking nothing reaches the local station, and its log-on is gone.
        rig.client.disconnectStation(kConf);
        rig.conf.say(QStringLiteral("W1ABC"), QStringLiteral("anyone?"));
        rig.conf.key(QStringLiteral("W1ABC"));
        rig.scheduler.advanceBy(1000);
        QVERIFY(rig.take().isEmpty());
        QCOMPARE(rig.conf.command(kLocal, QStringLiteral(".mute K2XYZ")), QString());
    }

    void talkerShowsInStationInformation()
    {
        Rig rig;
        rig.conf.key(QStringLiteral("W1ABC"));
        rig.conf.key(QStringLiteral("K2XYZ")); // doubles with the one talking: not heard
        QCOMPARE(rig.take(), QStringList({"0 rx on",
                                          "0 info CONF *HARBOUR* [3/50]\r\r->W1ABC Walter\rK2XYZ Kim\rN0CALL-L Gavelry" + kBanner}));
        // K2XYZ still holds the key and is heard now, at the top of the list.
        rig.conf.unkey(QStringLiteral("W1ABC"));
        QCOMPARE(rig.take(), QStringList({"0 info CONF *HARBOUR* [3/50]\r\r->K2XYZ Kim\rW1ABC Walter\rN0CALL-L Gavelry" + kBanner}));
        rig.conf.unkey(QStringLiteral("K2XYZ"));
        QCOMPARE(rig.take(), QStringList({"0 rx off",
                                          "0 info CONF *HARBOUR* [3/50]\r\rW1ABC Walter\rK2XYZ Kim\rN0CALL-L Gavelry" + kBanner}));
    }

    // A conference named with "%2" or "%3" keeps its name in the header.
    void conferenceNameWithPercentSigns_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("%2") << "*A%2B*";
        QTest::newRow("%3") << "*%3*";
        QTest::newRow("%1") << "*%1*";
    }
    void conferenceNameWithPercentSigns()
    {
        QFETCH(QString, name);
        VirtualScheduler scheduler{kStart};
        SimClient client{scheduler, kLocal};
        SimConference conf{client, name, QStringLiteral("ADM"), QStringLiteral("SYS")};
        QStringList info;
        QObject::connect(&client, &SimClient::StationTextReceived, &conf, [&](const QString &t) { info.append(t); });
        conf.join(QStringLiteral("W1ABC"), QStringLiteral("Walter"));
        client.linkUp(name);
        info.clear();
        conf.key(QStringLiteral("W1ABC"));
        QCOMPARE(info.size(), 1);
        QVERIFY2(info.first().startsWith("CONF " + name + " [2/50]\r\r->W1ABC Walter"), qPrintable(info.first()));
    }

    void muteSilencesTheStationUntilItReconnects_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("mutedAfterRejoin");
        QTest::addColumn<QString>("reply");
        QTest::newRow("ordinary mute") << ".mute W1ABC" << false << "W1ABC muted.";
        QTest::newRow("persistent mute") << ".mute W1ABC -p" << true << "W1ABC muted.";
        QTest::newRow("talker") << ".mute ." << false << "station talking muted.";
        QTest::newRow("talker persistently") << ".mute . -p" << true << "station talking muted.";
    }
    void muteSilencesTheStationUntilItReconnects()
    {
        QFETCH(QString, command);
        QFETCH(bool, mutedAfterRejoin);
        QFETCH(QString, reply);
        Rig rig;
        rig.conf.command(kLocal, QStringLiteral(".sysop SYS"));
        rig.conf.key(QStringLiteral("W1ABC"));
        rig.take();
        rig.client.sendChatText(command);
        rig.scheduler.advanceBy(1000);
        // The reply first, then the audio stops; no new list for a mute.
        QCOMPARE(rig.take(), QStringList({"200 chat " + reply, "200 rx off"}));
        // Another station cannot take the floor while the muted one holds it.
        rig.conf.key(QStringLiteral("K2XYZ"));
        QVERIFY(rig.take().isEmpty());
        // Once it lets go, K2XYZ is heard, and the list shows the mute.
        rig.conf.unkey(QStringLiteral("W1ABC"));
        QCOMPARE(rig.take(), QStringList({"1000 rx on",
                                          "1000 info CONF *HARBOUR* [3/50]\r\r->K2XYZ Kim\rW1ABC (Muted)\rN0CALL-L Gavelry" + kBanner}));
        rig.conf.unkey(QStringLiteral("K2XYZ"));
        rig.take();
        rig.conf.key(QStringLiteral("W1ABC"));
        QVERIFY(rig.take().isEmpty()); // keying again is not heard either
        rig.conf.leave(QStringLiteral("W1ABC"));
        QVERIFY(rig.conf.join(QStringLiteral("W1ABC"), QStringLiteral("Walter")));
        QCOMPARE(rig.conf.isMuted(QStringLiteral("W1ABC")), mutedAfterRejoin);
    }

    void unmutedStationStillKeyedIsHeard()
    {
        Rig rig;
        rig.conf.command(kLocal, QStringLiteral(".admin ADM"));
        rig.conf.command(kLocal, QStringLiteral(".mute W1ABC"));
        rig.conf.key(QStringLiteral("W1ABC"));
        rig.take();
        QCOMPARE(rig.conf.command(kLocal, QStringLiteral(".unmute W1ABC")), QStringLiteral("W1ABC unmuted."));
        QCOMPARE(rig.conf.talker(), QStringLiteral("W1ABC"));
    }

    void banHidesTheStationWithoutANewList()
    {
        Rig rig;
        rig.conf.command(kLocal, QStringLiteral(".admin ADM"));
        rig.conf.key(QStringLiteral("K2XYZ"));
        rig.take();
        rig.client.sendChatText(QStringLiteral(".ban add K2XYZ"));
        rig.scheduler.advanceBy(1000);
        // Its audio stops; the reply comes, but no list.
        QCOMPARE(rig.take(), QStringList({"200 chat K2XYZ banned", "200 rx off"}));
        QVERIFY(!rig.conf.isMember(QStringLiteral("K2XYZ")));
        QVERIFY(!rig.conf.join(QStringLiteral("K2XYZ")));
        QCOMPARE(rig.conf.command(kLocal, QStringLiteral(".ban add W1ABC")), QStringLiteral("W1ABC banned"));
        QCOMPARE(rig.conf.command(kLocal, QStringLiteral(".ban list")),
                 QStringLiteral("banned users:\rK2XYZ -\rW1ABC -"));
        QCOMPARE(rig.conf.command(kLocal, QStringLiteral(".ban delete k2xyz")),
                 QStringLiteral("K2XYZ removed from the banned list."));
        // Lifting the ban does not shorten the refusal of a quick return.
        QVERIFY(!rig.conf.join(QStringLiteral("K2XYZ")));
        rig.scheduler.advanceBy(SimConference::kRejoinRefusedMs);
        QVERIFY(rig.conf.join(QStringLiteral("K2XYZ")));
        // The next join sends the list, without the banned W1ABC.
        QCOMPARE(rig.take().last(), QStringLiteral("41000 info CONF *HARBOUR* [2/50]\r\rN0CALL-L Gavelry\rK2XYZ") + kBanner);
    }

    void droppedStationIsRefusedForAWhile_data()
    {
        QTest::addColumn<QString>("drop");
        QTest::addColumn<qint64>("refusedFor");
        QTest::newRow("disconnected") << ".disconnect W1ABC" << qint64(SimConference::kRejoinRefusedMs);
        QTest::newRow("disc") << ".disc W1ABC" << qint64(SimConference::kRejoinRefusedMs);
        QTest::newRow("left by itself") << "" << qint64(0);
    }
    void droppedStationIsRefusedForAWhile()
    {
        QFETCH(QString, drop);
        QFETCH(qint64, refusedFor);
        Rig rig;
        rig.conf.command(kLocal, QStringLiteral(".admin ADM"));
        if (drop.isEmpty())
            rig.conf.leave(QStringLiteral("W1ABC"));
        else
            QCOMPARE(rig.conf.command(kLocal, drop), QStringLiteral("W1ABC disconnected"));
        QVERIFY(!rig.conf.isMember(QStringLiteral("W1ABC")));
        if (refusedFor > 0) {
            rig.scheduler.advanceBy(refusedFor - 1);
            QVERIFY(!rig.conf.join(QStringLiteral("W1ABC")));
            rig.scheduler.advanceBy(1);
        }
        QVERIFY(rig.conf.join(QStringLiteral("W1ABC")));
    }

    void bannedLocalStationKeepsItsLinkButHearsNothing()
    {
        Rig rig;
        rig.conf.command(kLocal, QStringLiteral(".admin ADM"));
        rig.conf.key(QStringLiteral("K2XYZ"));
        rig.take();
        rig.client.sendChatText(QStringLiteral(".ban add ") + kLocal);
        rig.scheduler.advanceBy(1000);
        QCOMPARE(rig.take(), QStringList({"200 chat N0CALL-L banned", "200 rx off"}));
        rig.conf.unkey(QStringLiteral("K2XYZ"));
        // No BYE: the link stays up, but nothing comes over it any more.
        QVERIFY(rig.client.isConnected(kConf));
        rig.conf.key(QStringLiteral("W1ABC"));
        rig.conf.say(QStringLiteral("W1ABC"), QStringLiteral("anyone?"));
        rig.client.sendChatText(QStringLiteral(".users"));
        rig.scheduler.advanceBy(1000);
        QVERIFY(rig.take().isEmpty());
        // Once dropped, a banned station's connect is refused.
        rig.client.disconnectStation(kConf);
        rig.client.connectStation(kConf);
        rig.scheduler.advanceBy(5000);
        QVERIFY(!rig.client.isConnected(kConf));
    }

    void localStationDisconnectedIsRefusedForAWhile()
    {
        Rig rig;
        rig.conf.command(kLocal, QStringLiteral(".admin ADM"));
        rig.client.sendChatText(QStringLiteral(".disconnect ") + kLocal);
        rig.scheduler.advanceBy(1000);
        QVERIFY(!rig.client.isConnected(kConf));
        rig.client.connectStation(kConf);
        rig.scheduler.advanceBy(5000);
        QVERIFY(!rig.client.isConnected(kConf));
        rig.scheduler.advanceBy(SimConference::kRejoinRefusedMs);
        rig.client.connectStation(kConf);
        rig.scheduler.advanceBy(1000);
        QVERIFY(rig.client.isConnected(kConf));
    }

    void repeatedChatLineWithinTenSecondsIsDropped_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<bool>("secondRelayed");
        QTest::newRow("same line at once") << "hello" << "hello" << 0 << false;
        QTest::newRow("same line 9.999 s later") << "hello" << "hello" << 9999 << false;
        QTest::newRow("same line 10 s later") << "hello" << "hello" << 10000 << true;
        QTest::newRow("another line") << "hello" << "hello!" << 0 << true;
        QTest::newRow("commands are exempt") << ".users" << ".users" << 0 << false;
    }
    void repeatedChatLineWithinTenSecondsIsDropped()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, gapMs);
        QFETCH(bool, secondRelayed);
        // From the local station: the conference's record says what it passed on.
        Rig rig;
        rig.client.sendChatText(first);
        rig.scheduler.advanceBy(gapMs);
        rig.client.sendChatText(second);
        rig.scheduler.advanceBy(1000);
        const QList<SimConference::Received> got = rig.conf.received();
        QCOMPARE(got.size(), 2);
        QCOMPARE(got[1].text, second);
        QCOMPARE(got[1].relayed, secondRelayed);
        const bool isCommand = second.startsWith(u'.');
        QCOMPARE(got[1].command, isCommand);
        if (isCommand) // both carried out and answered
            QCOMPARE(rig.take().size(), 2);
        // From another station: the local station sees the repeat or not.
        Rig other;
        other.conf.say(QStringLiteral("W1ABC"), first);
        other.scheduler.advanceBy(gapMs);
        other.conf.say(QStringLiteral("W1ABC"), second);
        // (Its commands are for the server alone: nothing reaches us.)
        QCOMPARE(other.take().size(), isCommand ? 0 : secondRelayed ? 2 : 1);
    }

    void linkComesUpAfterTheLinkDelay_data()
    {
        QTest::addColumn<int>("delay");
        QTest::newRow("default") << 500;
        QTest::newRow("slow") << 3000;
    }
    void linkComesUpAfterTheLinkDelay()
    {
        QFETCH(int, delay);
        Rig rig(false);
        if (delay != 500)
            rig.client.setLinkDelay(delay);
        QStringList connected;
        QObject::connect(&rig.client, &SimClient::connected, &rig.conf,
                         [&](const QString &call) { connected << call; });
        rig.client.connectStation(QStringLiteral("*harbour*"));
        rig.scheduler.advanceBy(delay - 1);
        QVERIFY(!rig.client.isConnected(kConf));
        QCOMPARE(rig.client.connectionCount(), 0);
        rig.scheduler.advanceBy(1);
        QVERIFY(rig.client.isConnected(kConf));
        QCOMPARE(rig.client.connectionCount(), 1);
        QCOMPARE(connected, QStringList{kConf});
        // On linking the conference sends its station list.
        QCOMPARE(rig.take(), QStringList{QStringLiteral("%1 info CONF *HARBOUR* [3/50]\r\rW1ABC Walter\rK2XYZ Kim\rN0CALL-L Gavelry").arg(delay) + kBanner});
    }

    void droppingTheLinkEndsTheAudioAfterTheCall()
    {
        Rig rig;
        rig.conf.key(QStringLiteral("W1ABC"));
        rig.take();
        rig.client.disconnectAll();
        QVERIFY(rig.take().isEmpty()); // nothing inside the program's own call
        rig.scheduler.advanceBy(1);
        QCOMPARE(rig.take(), QStringList{"0 rx off"});
    }

    void dtmfIsReportedWhenTheTransmissionEnds()
    {
        Rig rig;
        rig.conf.keyDtmf(QStringLiteral("W1ABC"), QStringLiteral("*111*"));
        rig.scheduler.advanceBy(5000);
        const QStringList e = rig.take();
        QCOMPARE(e.first(), QStringLiteral("0 rx on"));
        QCOMPARE(e.last(), QStringLiteral("1500 dtmf *111*"));
    }

    void livelyConferenceIsTheSameForTheSameSeed()
    {
        const QStringList a = livelyEvents(7);
        QCOMPARE(livelyEvents(7), a);
        QVERIFY(livelyEvents(8) != a);
    }

    void livelyConferenceHasWhatASysopPractisesOn()
    {
        const QStringList e = livelyEvents(7);
        QVERIFY(e.size() > 500);
        // A stuck transmitter: RX on for more than ten minutes.
        qint64 on = -1, longest = 0;
        for (const QString &line : e) {
            const qint64 t = line.section(u' ', 0, 0).toLongLong();
            if (line.endsWith(QLatin1String(" rx on")))
                on = t;
            else if (line.endsWith(QLatin1String(" rx off")) && on >= 0)
                longest = qMax(longest, t - on);
        }
        QVERIFY2(longest > 10 * 60 * 1000, qPrintable(QString::number(longest)));
        QVERIFY(!e.filter(QStringLiteral(">/chat/")).isEmpty() || !e.filter(QStringLiteral(">/ver/")).isEmpty());
        QVERIFY(!e.filter(QStringLiteral(">:") + kLocal + u'~').isEmpty());
        QVERIFY(!e.filter(QStringLiteral(" dtmf ")).isEmpty());
    }

private:
    /// Six virtual hours of a lively conference, as the local station sees them.
    static QStringList livelyEvents(quint32 seed)
    {
        Rig rig;
        SimLively lively(rig.conf, seed);
        lively.start();
        rig.scheduler.advanceBy(6 * 3600 * 1000);
        return rig.events;
    }
};

QTEST_MAIN(TestSimConference)
#include "test_sim_conference.moc"
