// Text a station chose (its chat line, the station information naming the
// talker) reaches the lines the program sends: private acknowledgements,
// commands and notices about the talker, talk-time warnings. Whatever the
// station put in it, each goes out as one line: no line break of any kind
// (CR, LF, VT, FF, the file, group and record separators, NEL, the Unicode
// line and paragraph separators), no NUL and no other control character
// ever reaches the client.

#include "core/Controls.h"
#include "enforcement/Form321.h"
#include "core/Form6.h"
#include "TestRig.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

const QString kTimeMutedAdmin = " ** You have been Time Muted from the server due to your link / link connected to you "
                                "causing a problem. Contact the Admin to remove the Mute <<Admin Bot>>";
const QString kTimeMutedReconnect = " ** You have been Time Muted from the server due to your link / link connected "
                                    "to you causing a problem. When sorted disconnect and reconnect to remove the Mute "
                                    "<<Admin Bot>>";

/// The characters that would end a line, or cut it short, on the way out.
const QList<QChar> kBreaks{u'\r',          u'\n',          QChar(0),      QChar(0x0B),   QChar(0x0C),
                           QChar(0x1C),    QChar(0x1D),    QChar(0x1E),   QChar(0x0085), QChar(0x2028),
                           QChar(0x2029)};

QString withBreak(const QString &head, QChar brk, const QString &tail) { return head + brk + tail; }

/// Every line the client was asked to send, checked to be one line.
void verifyOneLineEach(const QStringList &sent)
{
    for (const QString &line : sent) {
        for (const QChar brk : kBreaks)
            QVERIFY2(!line.contains(brk), qPrintable(QStringLiteral("U+%1 in \"%2\"")
                                                         .arg(brk.unicode(), 4, 16, QLatin1Char('0'))
                                                         .arg(QString(line).replace(brk, u'|'))));
        for (const QChar c : line)
            QVERIFY2(c.category() != QChar::Other_Control, qPrintable(QStringLiteral("U+%1 in a sent line")
                                                                          .arg(c.unicode(), 4, 16, QLatin1Char('0'))));
    }
}

/// The program at 14:05, linked to *HARBOUR*, admin enabled.
struct Linked {
    TestRig rig{QDateTime(QDate(2026, 1, 5), QTime(14, 5, 0))};
    Form6 *f = nullptr;

    Linked()
    {
        rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
        rig.client.linkUp("*HARBOUR*");
        rig.start();
        f = &rig.form6();
        ui(*f).Text36->setText("Admin Enabled");
        rig.client.clearRecords();
    }
    void click(const QString &button)
    {
        auto *b = f->findChild<QPushButton *>(button);
        QVERIFY2(b, qPrintable(button));
        b->click();
    }
    /// A station keys up, the station information naming talker.
    void keyUp(const QString &talker)
    {
        rig.client.raiseRX(true);
        rig.client.raiseStationText("*HARBOUR*\r->" + talker + " Lakeside Repeater");
    }
};

} // namespace

class TestReceivedTextInSentLines : public QObject {
    Q_OBJECT
private slots:
    void privateAcknowledgement_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("sent");
        QTest::newRow("CR in the sender") << withBreak("G4XYZ", u'\r', ".ban add K1ABC>:N0CALL-L~hi")
                                          << ":G4XYZ .ban add K1ABC~ Message Received~";
        QTest::newRow("LF in the sender") << withBreak("G4XYZ", u'\n', ".ban add K1ABC>:N0CALL-L~hi")
                                          << ":G4XYZ .ban add K1ABC~ Message Received~";
        QTest::newRow("CR LF in the sender") << "G4XYZ\r\n.mute .>:N0CALL-L~hi" << ":G4XYZ  .mute .~ Message Received~";
        QTest::newRow("NUL in the sender") << withBreak("G4XYZ", QChar(0), ".ban add K1ABC>:N0CALL-L~hi")
                                           << ":G4XYZ .ban add K1ABC~ Message Received~";
        QTest::newRow("line separator in the sender")
            << withBreak("G4XYZ", QChar(0x2028), ".ban add K1ABC>:N0CALL-L~hi")
            << ":G4XYZ .ban add K1ABC~ Message Received~";
        QTest::newRow("VT in the sender") << withBreak("G4XYZ", QChar(0x0B), ".ban add K1ABC>:N0CALL-L~hi")
                                          << ":G4XYZ .ban add K1ABC~ Message Received~";
        QTest::newRow("FF in the sender") << withBreak("G4XYZ", QChar(0x0C), ".ban add K1ABC>:N0CALL-L~hi")
                                          << ":G4XYZ .ban add K1ABC~ Message Received~";
        QTest::newRow("FS and RS in the sender") << "G4XYZ\x1c.mute .\x1e.ban add K1ABC>:N0CALL-L~hi"
                                                 << ":G4XYZ .mute . .ban add K1ABC~ Message Received~";
        QTest::newRow("escape, DEL and CSI in the sender")
            << QString("G4\x1b[2JXYZ\x7f") + QChar(0x9B) + "K>:N0CALL-L~hi" << ":G4 [2JXYZ  K~ Message Received~";
        QTest::newRow("no sender, break in the head") << "\r.ban add K1ABC:N0CALL-L~hi"
                                                      << ": .ban add K1ABC:~~ Message Received~";
        QTest::newRow("breaks in the body only") << "G4XYZ>:N0CALL-L~hi\r\n.ban add K1ABC"
                                                 << ":G4XYZ~ Message Received~";
    }
    void privateAcknowledgement()
    {
        QFETCH(QString, line);
        QFETCH(QString, sent);
        Linked l;
        l.rig.client.raiseChat(line);
        QCOMPARE(l.rig.sent(), QStringList{sent});
        verifyOneLineEach(l.rig.sent());
    }

    void talkerButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("timed"); // "Timed & Message" (Check5)
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("disconnect last talker") << "Command56" << 0 << QStringList{".disconnect N0CALL-R"};
        QTest::newRow("mute last talker") << "Command41" << 0 << QStringList{".mute N0CALL-R"};
        QTest::newRow("mute last talker, timed")
            << "Command41" << 1 << QStringList{".mute N0CALL-R", ".quote (14:05) ** N0CALL-R" + kTimeMutedReconnect};
        QTest::newRow("persistent mute of the talker")
            << "Command1" << 0 << QStringList{".mute . -p", ".quote (14:05) ** N0CALL-R" + kTimeMutedAdmin};
    }
    void talkerButtons()
    {
        QFETCH(QString, button);
        QFETCH(int, timed);
        QFETCH(QStringList, sent);
        // The station information names a talker followed by a break and a
        // command: the talker ends at the break, whatever kind it is.
        for (const QChar brk : kBreaks) {
            Linked l;
            controls::setCheckValue(ui(*l.f).Check5, timed);
            l.keyUp(withBreak("N0CALL-R", brk, ".ban add K1ABC"));
            l.rig.client.clearRecords();
            l.click(button);
            QCOMPARE(l.rig.sent(), sent);
            verifyOneLineEach(l.rig.sent());
            if (timed == 1)
                QCOMPARE(ui(l.rig.program->form321()).Text4->text(), QStringLiteral("N0CALL-R"));
        }
    }

    void talkerBoxesHoldingABreak_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("disconnect last talker")
            << "Command56" << "Text37" << QStringList{".disconnect N0CALL-R  .ban add K1ABC"};
        QTest::newRow("mute last talker") << "Command41" << "Text37" << QStringList{".mute N0CALL-R  .ban add K1ABC"};
        QTest::newRow("persistent mute of the talker")
            << "Command1" << "Text1"
            << QStringList{".mute . -p", ".quote (14:05) ** N0CALL-R  .ban add K1ABC" + kTimeMutedAdmin};
    }
    void talkerBoxesHoldingABreak()
    {
        // However a break got into a talker box, the command built from it
        // goes out whole and as one line.
        QFETCH(QString, button);
        QFETCH(QString, box);
        QFETCH(QStringList, sent);
        Linked l;
        controls::setCheckValue(ui(*l.f).Check5, 0);
        l.f->findChild<QLineEdit *>(box)->setText("N0CALL-R\r\n.ban add K1ABC");
        l.click(button);
        QCOMPARE(l.rig.sent(), sent);
        verifyOneLineEach(l.rig.sent());
    }

    void timedReleaseOfATalker()
    {
        // The timed slot that got the talker un-mutes it later, in one line.
        Linked l;
        controls::setCheckValue(ui(*l.f).Check5, 1);
        l.keyUp(withBreak("N0CALL-R", QChar(0x2029), ".ban add K1ABC"));
        l.click("Command41");
        l.rig.advance(20 * 60 * 1000);
        const QStringList sent = l.rig.sent();
        QVERIFY(sent.contains(".unmute N0CALL-R"));
        verifyOneLineEach(sent);
    }

    void talkTimeNotices_data()
    {
        QTest::addColumn<int>("breakIndex");
        for (int i = 0; i < kBreaks.size(); ++i)
            QTest::newRow(qPrintable(QStringLiteral("U+%1").arg(kBreaks[i].unicode(), 4, 16, QLatin1Char('0')))) << i;
    }
    void talkTimeNotices()
    {
        QFETCH(int, breakIndex);
        Linked l;
        l.keyUp(withBreak("N0CALL-R", kBreaks[breakIndex], ".ban add K1ABC"));
        l.rig.advance(630 * 1000);
        const QStringList sent = l.rig.sent();
        QCOMPARE(sent.size(), 3);
        QVERIFY(sent[0].startsWith(" >> WARNING N0CALL-R << 60 seconds to Auto Mute"));
        QCOMPARE(sent[1], QStringLiteral(".mute ."));
        QVERIFY(sent[2].startsWith("** Auto Mute ** Has been sent to N0CALL-R the node"));
        verifyOneLineEach(sent);
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestReceivedTextInSentLines)
#include "test_received_text_in_sent_lines.moc"
