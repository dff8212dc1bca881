// The loopback conference and directory must answer the way the real
// servers do, or the integration tests prove nothing about the air.
#include "ConferenceRoom.h"

#include <QTest>

using namespace fakes;

namespace {

QByteArray b(const std::string &s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

ConferenceRoom room()
{
    ConferenceRoom r("*TESTCONF*", 20, "ADMINPW", "SYSOPPW");
    r.join("GV1BOT", "Bot", true);
    r.join("W1ABC", "Lakeside");
    r.join("N0CALL", "Test");
    return r;
}

} // namespace

class TestFakeConferenceRoom : public QObject {
    Q_OBJECT

private slots:
    // Replies go to the sender only, CR-ended, without a "CALL>" prefix;
    // before a log-on, and after a wrong password, the server says nothing.
    void commands_data()
    {
        QTest::addColumn<bool>("logOn");
        QTest::addColumn<QByteArray>("talker");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("admin log-on") << false << QByteArray() << QByteArray(".admin ADMINPW") << QByteArray("Your wish is my command.\r");
        QTest::newRow("sysop log-on") << false << QByteArray() << QByteArray(".sysop SYSOPPW") << QByteArray("By your command.\r");
        QTest::newRow("wrong password") << false << QByteArray() << QByteArray(".admin nope") << QByteArray();
        QTest::newRow("sysop password as admin") << false << QByteArray() << QByteArray(".admin SYSOPPW") << QByteArray();
        QTest::newRow("command before log-on") << false << QByteArray() << QByteArray(".mute W1ABC") << QByteArray();
        QTest::newRow("mute a station") << true << QByteArray() << QByteArray(".mute w1abc") << QByteArray("W1ABC muted.\r");
        QTest::newRow("mute the talker") << true << QByteArray("W1ABC") << QByteArray(".mute .") << QByteArray("station talking muted.\r");
        QTest::newRow("mute nobody talking") << true << QByteArray() << QByteArray(".mute .") << QByteArray("Error: no one is talking.\r");
        QTest::newRow("mute unknown") << true << QByteArray() << QByteArray(".mute K9ZZZ") << QByteArray("No K9ZZZ found.\r");
        QTest::newRow("unmute") << true << QByteArray() << QByteArray(".unmute N0CALL") << QByteArray("N0CALL unmuted.\r");
        QTest::newRow("ban add") << true << QByteArray() << QByteArray(".ban add N0CALL") << QByteArray("N0CALL banned\r");
        QTest::newRow("ban delete unknown") << true << QByteArray() << QByteArray(".ban delete K9ZZZ")
                                            << QByteArray("K9ZZZ was not found on the banned list.\r");
        QTest::newRow("disconnect") << true << QByteArray() << QByteArray(".disconnect W1ABC") << QByteArray("W1ABC disconnected\r");
        QTest::newRow("disconnect unknown") << true << QByteArray() << QByteArray(".disconnect K9ZZZ") << QByteArray("K9ZZZ not found\r");
        QTest::newRow("users") << true << QByteArray() << QByteArray(".users") << QByteArray("1. GV1BOT A\r2. W1ABC \r3. N0CALL \r");
        QTest::newRow("plain chat") << true << QByteArray() << QByteArray("hello all") << QByteArray();
        // The same table as the program's simulator answers these.
        QTest::newRow("unmute all") << true << QByteArray() << QByteArray(".unmute -a") << QByteArray("All stations unmuted.\r");
        QTest::newRow("users before log-on") << false << QByteArray("W1ABC") << QByteArray(".users")
                                             << QByteArray("1. GV1BOT \r2. W1ABC T\r3. N0CALL \r");
        QTest::newRow("admins") << true << QByteArray() << QByteArray(".admins") << QByteArray("Admins:\rGV1BOT Bot\rSysops:\r");
        QTest::newRow("mute without a call") << true << QByteArray() << QByteArray(".mute") << QByteArray();
        QTest::newRow("disconnect nobody talking") << true << QByteArray() << QByteArray(".disconnect .")
                                                   << QByteArray("No one is talking\r");
    }
    void commands()
    {
        QFETCH(bool, logOn);
        QFETCH(QByteArray, talker);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, reply);
        ConferenceRoom r = room();
        if (logOn)
            QCOMPARE(b(r.command("GV1BOT", ".admin ADMINPW").reply), QByteArray("Your wish is my command.\r"));
        r.setTalker(talker.toStdString());
        QCOMPARE(b(r.command("GV1BOT", line.toStdString()).reply), reply);
    }

    // The talker moves to the top behind "->"; muted stations lose their
    // name; the count is of stations on the conference.
    void stationList()
    {
        ConferenceRoom r = room();
        r.command("GV1BOT", ".admin ADMINPW");
        r.command("GV1BOT", ".mute W1ABC");
        r.setTalker("N0CALL");
        QCOMPARE(b(r.stationList()), QByteArray("CONF *TESTCONF* [3/20]\r\r->N0CALL Test\rGV1BOT Bot\rW1ABC (Muted)\r"
                                                "\rLoopback test conference\r"));
        r.leave("N0CALL");
        QCOMPARE(b(r.talker()), QByteArray());
        QVERIFY(b(r.stationList()).startsWith("CONF *TESTCONF* [2/20]\r\rGV1BOT Bot\r"));
    }

    // A ban hides the station from the list and refuses its return; a
    // disconnect of the talker leaves nobody talking.
    void banAndDisconnect()
    {
        ConferenceRoom r = room();
        r.command("GV1BOT", ".admin ADMINPW");
        r.setTalker("W1ABC");
        const ConferenceRoom::Answer d = r.command("GV1BOT", ".disconnect .");
        QCOMPARE(b(d.disconnect), QByteArray("W1ABC"));
        QVERIFY(!r.has("W1ABC"));
        QCOMPARE(b(r.talker()), QByteArray());
        r.command("GV1BOT", ".ban add n0call");
        QVERIFY(!r.has("N0CALL"));
        QVERIFY(!r.join("N0CALL", "Test"));
        QCOMPARE(b(r.command("GV1BOT", ".ban list").reply), QByteArray("banned users:\rN0CALL -\r"));
        QCOMPARE(b(r.command("GV1BOT", ".ban delete N0CALL").reply), QByteArray("N0CALL removed from the banned list.\r"));
        QVERIFY(r.join("N0CALL", "Test"));
    }

    // A quoted line goes to the logged-on sysops only, as the conference's
    // own chat line; an admin's quote does nothing.
    void quoteReachesSysops()
    {
        ConferenceRoom r = room();
        r.command("GV1BOT", ".admin ADMINPW");
        QCOMPARE(b(r.command("GV1BOT", ".quote notice").toSysops), QByteArray());
        r.command("GV1BOT", ".sysop SYSOPPW");
        const ConferenceRoom::Answer a = r.command("GV1BOT", ".quote (12:00) notice");
        QCOMPARE(b(a.reply), QByteArray());
        QCOMPARE(b(a.toSysops), QByteArray("*TESTCONF*>(12:00) notice\r"));
    }

    // A restart forgets the log-ons and the ordinary mutes in silence and
    // may bring a new admin password; the bans stay.
    void restartForgetsTheLogOns()
    {
        ConferenceRoom r("*TESTCONF*", 20, "ADMINPW", "SYSOPPW");
        r.join("GV1BOT", "Gavelry", true);
        r.join("N0CALL", "Test");
        r.command("GV1BOT", ".admin ADMINPW");
        r.command("GV1BOT", ".mute N0CALL");
        r.command("GV1BOT", ".ban add K2XYZ");
        r.restart("NEWPW");
        QVERIFY(!r.isLoggedOn("GV1BOT"));
        QVERIFY(!r.isMuted("N0CALL"));
        QVERIFY(r.isBanned("K2XYZ"));
        QCOMPARE(b(r.command("GV1BOT", ".mute N0CALL").reply), QByteArray());
        QCOMPARE(b(r.command("GV1BOT", ".admin ADMINPW").reply), QByteArray());
        QCOMPARE(b(r.command("GV1BOT", ".admins").reply), QByteArray("Admins:\rSysops:\r"));
        QCOMPARE(b(r.command("GV1BOT", ".admin NEWPW").reply), QByteArray("Your wish is my command.\r"));
    }

    // The directory's TCP protocol: a log-on arrives in pieces; the list
    // reply has the count and four lines per entry.
    void directory()
    {
        const std::string logon = std::string("lGV1BOT\xac\xac") + "pw\rONLINE3.38(12:00)\rGavelry test\r";
        for (std::size_t cut = 0; cut < logon.size(); ++cut)
            QCOMPARE(parseDirectoryRequest(logon.substr(0, cut)).kind, DirectoryRequest::Incomplete);
        const DirectoryRequest r = parseDirectoryRequest(logon);
        QCOMPARE(r.kind, DirectoryRequest::LogOn);
        QCOMPARE(b(r.call), QByteArray("GV1BOT"));
        QCOMPARE(b(r.password), QByteArray("pw"));
        QCOMPARE(b(r.status), QByteArray("ONLINE3.38(12:00)"));
        QCOMPARE(b(r.description), QByteArray("Gavelry test"));
        QCOMPARE(parseDirectoryRequest("s").kind, DirectoryRequest::StationList);
        QCOMPARE(parseDirectoryRequest("GET / HTTP/1.0").kind, DirectoryRequest::Unknown);
        QCOMPARE(b(directoryListReply({{"*TESTCONF*", "Loopback [3/20]", "9999", "127.0.0.2"}})),
                 QByteArray("@@@\n1\n*TESTCONF*\nLoopback [3/20]\n9999\n127.0.0.2\n+++"));
        QCOMPARE(b(textPacket("x\r")), QByteArray("oNDATAx\r\0", 9));
    }
};

QTEST_GUILESS_MAIN(TestFakeConferenceRoom)
#include "test_fake_conference_room.moc"
