#include "channel/CommandChannel.h"

#include <QTest>

using namespace gavelry::channel;

class TestCommandChannel : public QObject {
    Q_OBJECT
private slots:
    void notices_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("quoted at 14:05")
            << quotedNotice("14:05", Marker::Mute, "N0CALL", notice::kTimeMutedContactAdmin)
            << ".quote (14:05) ** N0CALL ** You have been Time Muted from the server due to your link / link "
               "connected to you causing a problem. Contact the Admin to remove the Mute <<Admin Bot>>";
        QTest::newRow("quoted unstamped")
            << quotedNoticeUnstamped(Marker::Unmute, "N0CALL", notice::kUnmutedBot)
            << ".quote **** N0CALL **** You have been UnMuted. <<Admin Bot>>";
        QTest::newRow("plain stamped 09:07")
            << plainNotice(true, "09:07", Marker::Unmute, "N0CALL", notice::kUnmutedAdmin)
            << "(09:07) **** N0CALL **** You have been UnMuted. <<Admin>>";
        QTest::newRow("plain stamped 21:40")
            << plainNotice(true, "21:40", Marker::Mute, "N0CALL", notice::kMutedBot)
            << "(21:40) ** N0CALL ** You have been Muted from the server due to your link or a link connected to "
               "you causing a problem. When problem sorted disconnect and reconnect to remove the Mute. <<Admin Bot>>";
        QTest::newRow("plain unstamped")
            << plainNotice(false, "21:40", Marker::Unmute, "N0CALL", notice::kUnmutedAdmin)
            << "**** N0CALL **** You have been UnMuted. <<Admin>>";
        QTest::newRow("bare ignores stamp")
            << bareNotice(Marker::Mute, "N0CALL", notice::kMutedAdmin)
            << "** N0CALL ** You have been Muted from the server due to your link or a link connected to you "
               "causing a problem. When problem sorted disconnect and reconnect to remove the Mute. <<Admin>>";
        QTest::newRow("empty call kept") << gavelry::channel::disconnect(QString()) << ".disconnect ";
        QTest::newRow("capital M") << listMuted() << ".Mute";
        QTest::newRow("persistent") << mutePersistent("N0CALL") << ".mute N0CALL -p";
    }
    void notices()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        QCOMPARE(line, expected);
    }
};

QTEST_GUILESS_MAIN(TestCommandChannel)
#include "test_command_channel.moc"
