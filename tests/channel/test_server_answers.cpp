// The server's answers to the dot-commands: which text answers which
// command and whether it says ok or no, in the words a conference server
// uses, and the same for every answer the simulator and the loopback test
// conference give from their shared command table.
#include "channel/ServerAnswers.h"

#include "ConferenceRoom.h"

#include <QTest>

using namespace gavelry::channel;

Q_DECLARE_METATYPE(gavelry::channel::Reply)

class TestServerAnswers : public QObject {
    Q_OBJECT
private slots:
    void replies_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Reply>("reply");
        const Reply ok = Reply::Ok, no = Reply::Refused, other = Reply::NotItsAnswer;
        QTest::newRow("admin log-on") << ".admin secret" << "Your wish is my command." << ok;
        QTest::newRow("sysop log-on") << ".sysop secret" << "By your command." << ok;
        QTest::newRow("sysop's answer is not the admin's") << ".admin secret" << "By your command." << other;
        QTest::newRow("mute, typed in lower case") << ".mute n0call" << "N0CALL muted." << ok;
        QTest::newRow("mute of a station not there") << ".mute N0CALL" << "No N0CALL found." << no;
        QTest::newRow("another station's mute") << ".mute N0CALL" << "K2XYZ muted." << other;
        QTest::newRow("mute the talker") << ".mute ." << "station talking muted." << ok;
        QTest::newRow("mute the talker, nobody talks") << ".mute ." << "Error: no one is talking." << no;
        QTest::newRow("unmute") << ".unmute K2XYZ" << "K2XYZ unmuted." << ok;
        QTest::newRow("unmute of a station not there") << ".unmute K2XYZ" << "No K2XYZ found." << no;
        QTest::newRow("muted list, capital M") << ".Mute" << "muted users:\rK2XYZ" << ok;
        QTest::newRow("mute is not the muted list") << ".mute" << "muted users:\rK2XYZ" << other;
        QTest::newRow("disconnect") << ".disconnect K2XYZ" << "K2XYZ disconnected" << ok;
        QTest::newRow("disconnect of a station not there") << ".disconnect K2XYZ" << "K2XYZ not found" << no;
        QTest::newRow("disconnect the talker") << ".disconnect ." << "W1ABC disconnected" << ok;
        QTest::newRow("ban") << ".ban add K2XYZ" << "K2XYZ banned" << ok;
        QTest::newRow("un-ban") << ".ban delete K2XYZ" << "K2XYZ removed from the banned list." << ok;
        QTest::newRow("un-ban of a station not banned")
            << ".ban delete K2XYZ" << "K2XYZ was not found on the banned list." << no;
        QTest::newRow("un-ban answer to another") << ".ban delete W1ABC" << "K2XYZ removed from the banned list." << other;
        QTest::newRow("users, lines joined by LF") << ".users" << "1. GV1BOT A\n2. W1ABC \n" << ok;
        QTest::newRow("admins") << ".admins" << "Admins:\rGV1BOT Gavelry\rSysops:" << ok;
        QTest::newRow("a station's chat is nobody's answer") << ".users" << "hello" << other;
        QTest::newRow("a line that is no command") << "hello" << "hello" << other;
    }
    void replies()
    {
        QFETCH(QString, command);
        QFETCH(QString, text);
        QFETCH(Reply, reply);
        QCOMPARE(replyTo(command, text), reply);
    }

    /// Every answer the shared command table gives is read as the answer of
    /// the command it was given to, so the simulator and the loopback
    /// conference answer in words the program understands.
    void theSharedTableIsUnderstood_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<Reply>("reply");
        const Reply ok = Reply::Ok, no = Reply::Refused;
        for (const auto &[command, reply] : std::initializer_list<std::pair<const char *, Reply>>{
                 {".sysop SYS", ok},          {".admin ADM", ok},         {".mute N0CALL", ok},
                 {".mute Q9ZZZ", no},         {".mute .", no},            {".unmute N0CALL", ok},
                 {".unmute Q9ZZZ", no},       {".unmute -a", ok},         {".Mute", ok},
                 {".disconnect Q9ZZZ", no},   {".disconnect .", no},      {".disc K2XYZ", ok},
                 {".ban add K2XYZ", ok},      {".ban delete W9NONE", no}, {".ban list", ok},           {".connect W1ABC", ok},     {".users", ok},
                 {".users ?", ok},            {".admins", ok},            {".stats", ok},
                 {".lurk", ok},               {".delurk", ok}})
            QTest::newRow(command) << QString::fromLatin1(command) << reply;
    }
    void theSharedTableIsUnderstood()
    {
        QFETCH(QString, command);
        QFETCH(Reply, reply);
        fakes::ConferenceRoom room("*TESTCONF*", 20, "ADM", "SYS");
        room.join("GV1BOT", "Gavelry", true);
        room.join("N0CALL", "Test");
        room.join("K2XYZ", "Hilltop");
        room.command("GV1BOT", ".admin ADM");
        room.command("GV1BOT", ".sysop SYS");
        const std::string answer = room.command("GV1BOT", command.toStdString()).reply;
        QVERIFY2(!answer.empty(), "the table gives no answer");
        QCOMPARE(replyTo(command, QString::fromStdString(answer)), reply);
    }

    void adminsListsTheLoggedOn_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("listed"); // -1: not an ".admins" answer
        QTest::newRow("an admin") << "Admins:\rGV1BOT Gavelry\rSysops:" << 1;
        QTest::newRow("a sysop, lower case") << "Admins:\nSysops:\ngv1bot Gavelry\n" << 1;
        QTest::newRow("forgotten") << "Admins:\rW1ABC Lakeside\rSysops:" << 0;
        QTest::newRow("a longer callsign") << "Admins:\rGV1BOT-L Gavelry\rSysops:" << 0;
        QTest::newRow("another answer") << "banned users:\rGV1BOT -" << -1;
    }
    void adminsListsTheLoggedOn()
    {
        QFETCH(QString, text);
        QFETCH(int, listed);
        const std::optional<bool> found = listsLoggedOn(text, QStringLiteral("GV1BOT"));
        QCOMPARE(found.has_value() ? int(*found) : -1, listed);
    }
};

QTEST_GUILESS_MAIN(TestServerAnswers)
#include "test_server_answers.moc"
