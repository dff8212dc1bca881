#include "moderation/CallsignActions.h"
#include "core/Controls.h"
#include "enforcement/Form321.h"
#include "chat/Messages.h"
#include "moderation/ModerationActions.h"
#include "TestRig.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <map>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;
using namespace gavelry::moderation;

namespace {

const QString kMutedAdmin = " ** You have been Muted from the server due to your link or a link connected to you "
                            "causing a problem. When problem sorted disconnect and reconnect to remove the Mute. <<Admin>>";
const QString kPersistentAdmin = " ** You have been Muted from the server due to your link or a link connected to you "
                                 "causing a problem. Contact the Admin to remove the Mute <<Admin>>";
const QString kTimeMutedAdmin = " ** You have been Time Muted from the server due to your link / link connected to you "
                                "causing a problem. Contact the Admin to remove the Mute <<Admin Bot>>";
const QString kTimeMutedReconnect = " ** You have been Time Muted from the server due to your link / link connected "
                                    "to you causing a problem. When sorted disconnect and reconnect to remove the Mute "
                                    "<<Admin Bot>>";
const QString kTimedBan = " ** You have been Disconnected and Restricted from connecting to the Conference for a "
                          "short time due to your link / link connected to you causing a problem. <<Admin Bot>>";
const QString kUnmutedAdmin = " **** You have been UnMuted. <<Admin>>";

/// Stands in for the timed ban window: records each hand-over with the
/// number of lines sent before it, and whether a slot was free.
class FakeTimedBan : public TimedBanWindow {
public:
    FakeTimedBan(AppContext &ctx, TestRig &rig) : TimedBanWindow(ctx), m_rig(rig) {}
    bool timedMuteHandOver(const QString &call) override { return record("mute-slot", call); }
    bool timedBanHandOver(const QString &call) override { return record("ban-slot", call); }
    QStringList log;
    bool slotsFree = true;

protected:
    void Form_Load() override {}

private:
    bool record(const QString &kind, const QString &call)
    {
        log.append(QStringLiteral("%1 %2 after %3").arg(kind, call).arg(m_rig.sent().size()));
        return slotsFree;
    }
    TestRig &m_rig;
};

struct Linked {
    TestRig rig{QDateTime(QDate(2026, 1, 5), QTime(14, 5, 0))};
    std::unique_ptr<FakeTimedBan> timed;
    Form6 *f = nullptr;

    explicit Linked(bool adminEnabled = true)
    {
        rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
        rig.ini("vorivuzav.ini", "PASSWORD2", "second-pw");
        rig.client.linkUp("*HARBOUR*");
        rig.start();
        f = &rig.form6();
        timed = std::make_unique<FakeTimedBan>(rig.program->context(), rig);
        rig.program->windows().form321 = timed.get();
        if (adminEnabled)
            ui(*f).Text36->setText("Admin Enabled");
        rig.client.clearRecords();
    }
    ~Linked() { rig.program->windows().form321 = &rig.program->form321(); }

    void click(const QString &button)
    {
        auto *b = f->findChild<QPushButton *>(button);
        QVERIFY2(b, qPrintable(button));
        b->click();
    }
    void setChecks(const QString &checks)
    {
        for (const QString &c : checks.split(';', Qt::SkipEmptyParts))
            controls::setCheckValue(f->findChild<QCheckBox *>(c.section('=', 0, 0)), c.section('=', 1).toInt());
    }
};

} // namespace

class TestModerationActions : public QObject {
    Q_OBJECT
private slots:
    void buttons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("checks");
        QTest::addColumn<QString>("lastTalker");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("handOvers");
        QTest::addColumn<QString>("buffer"); // sTextSay afterwards
        QTest::addColumn<bool>("chatShown");
        QTest::addColumn<bool>("timedShown");

        const QString q = ".quote (14:05) ** ";
        QTest::newRow("Mute") << "Mute" << QStringList{} << "" << "" << QStringList{".mute ."} << QStringList{}
                              << ".mute ." << true << false;
        QTest::newRow("Command1 nobody talks")
            << "Command1" << QStringList{} << "" << "" << QStringList{".mute . -p", q + kTimeMutedAdmin}
            << QStringList{} << "" << false << false;
        QTest::newRow("Command41 untimed") << "Command41" << QStringList{} << "Check5=0" << "W1ABC"
                                           << QStringList{".mute W1ABC"} << QStringList{} << ".mute W1ABC" << true << false;
        QTest::newRow("Command41 timed")
            << "Command41" << QStringList{} << "Check5=1" << "W1ABC"
            << QStringList{".mute W1ABC", q + "W1ABC" + kTimeMutedReconnect} << QStringList{"mute-slot W1ABC after 2"}
            << "" << true << true;
        QTest::newRow("Command41 timed, nobody talked since idle")
            << "Command41" << QStringList{} << "Check5=1" << "" << QStringList{} << QStringList{} << "" << false << false;
        QTest::newRow("Command41 untimed, empty box sends as it stands")
            << "Command41" << QStringList{} << "Check5=0" << "" << QStringList{".mute "} << QStringList{} << ".mute "
            << true << false;
        QTest::newRow("Command41 before any station talked: the box's text goes out")
            << "Command41" << QStringList{} << "Check5=1" << "The Last Station to Talk Shown Here"
            << QStringList{".mute The Last Station to Talk Shown Here",
                           q + "The Last Station to Talk Shown Here" + kTimeMutedReconnect}
            << QStringList{"mute-slot The Last Station to Talk Shown Here after 2"} << "" << true << true;
        QTest::newRow("Command55") << "Command55" << QStringList{} << "" << "" << QStringList{".disconnect ."}
                                   << QStringList{} << ".disconnect ." << true << false;
        QTest::newRow("Command57") << "Command57" << QStringList{} << "" << "" << QStringList{".disconnect ."}
                                   << QStringList{} << ".disconnect ." << true << false;
        QTest::newRow("Command56") << "Command56" << QStringList{} << "" << "K2XYZ" << QStringList{".disconnect K2XYZ"}
                                   << QStringList{} << ".disconnect K2XYZ" << true << false;
        QTest::newRow("Command56 before any station talked: the box's text goes out")
            << "Command56" << QStringList{} << "" << "The Last Station to Talk Shown Here"
            << QStringList{".disconnect The Last Station to Talk Shown Here"} << QStringList{}
            << ".disconnect The Last Station to Talk Shown Here" << true << false;

        QTest::newRow("Command43") << "Command43" << QStringList{"n0call"} << "" << "" << QStringList{".disconnect n0call"}
                                   << QStringList{} << "" << true << false;
        QTest::newRow("Disconnect") << "Disconnect" << QStringList{"N0CALL"} << "" << ""
                                    << QStringList{".disconnect N0CALL"} << QStringList{} << "" << false << false;
        QTest::newRow("Disconnect cancelled") << "Disconnect" << QStringList{} << "" << "" << QStringList{}
                                              << QStringList{} << "" << false << false;
        QTest::newRow("Connect") << "Connect" << QStringList{"N0CALL-R"} << "" << "" << QStringList{".connect N0CALL-R"}
                                 << QStringList{} << ".connect N0CALL-R" << false << false;
        QTest::newRow("Connect with an empty answer") << "Connect" << QStringList{} << "" << ""
                                                      << QStringList{".connect "} << QStringList{} << ".connect "
                                                      << false << false;
        QTest::newRow("Command44 bare notice")
            << "Command44" << QStringList{"N0CALL"} << "Check1=1" << "" << QStringList{"** N0CALL" + kMutedAdmin}
            << QStringList{} << "** N0CALL" + kMutedAdmin << false << false;
        QTest::newRow("Mute_Message bare notice, chat")
            << "Mute_Message" << QStringList{"N0CALL"} << "" << "" << QStringList{"** N0CALL" + kMutedAdmin}
            << QStringList{} << "** N0CALL" + kMutedAdmin << true << false;
        QTest::newRow("Command47 stamped")
            << "Command47" << QStringList{"N0CALL"} << "Check1=1;Check6=0" << ""
            << QStringList{".mute N0CALL", "(14:05) ** N0CALL" + kMutedAdmin} << QStringList{} << "" << true << false;
        QTest::newRow("Command47 timed")
            << "Command47" << QStringList{"N0CALL"} << "Check1=0;Check6=1" << ""
            << QStringList{".mute N0CALL", "** N0CALL" + kMutedAdmin} << QStringList{"mute-slot N0CALL after 2"} << ""
            << true << true;
        QTest::newRow("Command47 timed, cancelled: an empty slot and the window")
            << "Command47" << QStringList{} << "Check6=1" << "" << QStringList{} << QStringList{"mute-slot  after 0"}
            << "" << false << true;
        QTest::newRow("Command48") << "Command48" << QStringList{"N0CALL"} << "Check7=0" << ""
                                   << QStringList{".mute N0CALL"} << QStringList{} << ".mute N0CALL" << false << false;
        QTest::newRow("Command48 timed")
            << "Command48" << QStringList{"N0CALL"} << "Check7=1" << "" << QStringList{".mute N0CALL"}
            << QStringList{"mute-slot N0CALL after 1"} << ".mute N0CALL" << true << true;
        QTest::newRow("Mute_Station")
            << "Mute_Station" << QStringList{"N0CALL"} << "Check1=0" << ""
            << QStringList{".mute N0CALL -p", "** N0CALL" + kPersistentAdmin} << QStringList{} << "" << false << true;
        QTest::newRow("Mute_Station cancelled: window still") << "Mute_Station" << QStringList{} << "" << ""
                                                               << QStringList{} << QStringList{} << "" << false << true;
        QTest::newRow("Command45 plain, unstamped")
            << "Command45" << QStringList{"N0CALL"} << "Check1=0" << ""
            << QStringList{".unmute N0CALL", "**** N0CALL" + kUnmutedAdmin} << QStringList{} << "" << true << false;
        QTest::newRow("Command46 twice")
            << "Command46" << QStringList{"N0CALL"} << "" << "" << QStringList{".unmute N0CALL", ".unmute N0CALL"}
            << QStringList{} << ".unmute N0CALL" << false << false;
        QTest::newRow("Unmute_Station stamped")
            << "Unmute_Station" << QStringList{"N0CALL"} << "Check1=1" << ""
            << QStringList{".unmute N0CALL -p", "(14:05) **** N0CALL" + kUnmutedAdmin} << QStringList{} << "" << false
            << false;
        QTest::newRow("Ban untimed") << "Ban" << QStringList{"N0CALL"} << "Check8=0" << ""
                                     << QStringList{".disc N0CALL", ".ban add N0CALL"} << QStringList{} << "" << false
                                     << false;
        QTest::newRow("Ban timed: notice first, stamped whatever Check1 says")
            << "Ban" << QStringList{"N0CALL"} << "Check8=1;Check1=0" << ""
            << QStringList{q + "N0CALL" + kTimedBan, ".disc N0CALL", ".ban add N0CALL"}
            << QStringList{"ban-slot N0CALL after 3"} << ".ban add N0CALL" << false << true;
        QTest::newRow("Ban timed, cancelled: nothing") << "Ban" << QStringList{} << "Check8=1" << "" << QStringList{}
                                                       << QStringList{} << "" << false << false;
        QTest::newRow("Ban_Remove") << "Ban_Remove" << QStringList{"N0CALL"} << "" << ""
                                    << QStringList{".ban delete N0CALL"} << QStringList{} << "" << false << false;

        QTest::newRow("Command42") << "Command42" << QStringList{} << "" << "" << QStringList{".unmute -a"}
                                   << QStringList{} << ".unmute -a" << true << false;
        QTest::newRow("Unmute_All") << "Unmute_All" << QStringList{} << "" << "" << QStringList{".unmute -a"}
                                    << QStringList{} << ".unmute -a" << true << false;
        QTest::newRow("Command29") << "Command29" << QStringList{} << "" << "" << QStringList{".unmute -a"}
                                   << QStringList{} << ".unmute -a" << false << false;
        QTest::newRow("Band_List") << "Band_List" << QStringList{} << "" << "" << QStringList{".ban list"}
                                   << QStringList{} << ".ban list" << true << false;
        QTest::newRow("Who_Is_Muted") << "Who_Is_Muted" << QStringList{} << "" << "" << QStringList{".Mute"}
                                      << QStringList{} << ".Mute" << true << false;
        QTest::newRow("Users") << "Users" << QStringList{} << "" << "" << QStringList{".users"} << QStringList{}
                               << ".users" << true << false;
        QTest::newRow("Admins") << "Admins" << QStringList{} << "" << "" << QStringList{".admins"} << QStringList{}
                                << ".admins" << true << false;
        QTest::newRow("Stats") << "Stats" << QStringList{} << "" << "" << QStringList{".stats"} << QStringList{}
                               << ".stats" << true << false;
        QTest::newRow("Command54") << "Command54" << QStringList{} << "" << "" << QStringList{".users ?"}
                                   << QStringList{} << "" << true << false;
        QTest::newRow("Command32") << "Command32" << QStringList{} << "" << "" << QStringList{".lurk"} << QStringList{}
                                   << ".lurk" << false << false;
        QTest::newRow("Command33") << "Command33" << QStringList{} << "" << "" << QStringList{".delurk"}
                                   << QStringList{} << ".delurk" << false << false;
    }
    void buttons()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, answers);
        QFETCH(QString, checks);
        QFETCH(QString, lastTalker);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, handOvers);
        QFETCH(QString, buffer);
        QFETCH(bool, chatShown);
        QFETCH(bool, timedShown);
        Linked l;
        l.setChecks(checks);
        ui(*l.f).Text37->setText(lastTalker);
        for (const QString &a : answers)
            l.rig.dialogs.queueAnswer(a);
        l.click(button);
        QCOMPARE(l.rig.sent(), sent);
        QCOMPARE(l.timed->log, handOvers);
        QCOMPARE(l.f->sTextSay, buffer);
        QCOMPARE(l.rig.program->messages().isVisible(), chatShown);
        QCOMPARE(l.timed->isVisible(), timedShown);
    }

    void prompts_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("P1") << "Command43" << "Enter Call of the station to Disconnect ";
        QTest::newRow("P2") << "Connect" << "Enter Call that you wish to connect to the conference ";
        QTest::newRow("P3") << "Mute_Message" << CallsignActions::kAskMuteMessage;
        QTest::newRow("P5") << "Command48" << "Enter Call to MUTE ";
        QTest::newRow("P7") << "Unmute_Station" << "Enter Call to Unmute";
        QTest::newRow("P8") << "Ban" << "Enter Call to Ban";
        QTest::newRow("P9") << "Ban_Remove" << "Enter Call To Remove BAN";
    }
    void prompts()
    {
        QFETCH(QString, button);
        QFETCH(QString, prompt);
        Linked l;
        l.click(button);
        QCOMPARE(l.rig.dialogs.shown().size(), 1);
        QCOMPARE(l.rig.dialogs.shown().first().text, prompt);
        QCOMPARE(l.rig.dialogs.shown().first().title, QString()); // the program's title
    }

    void awkwardAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("blanks at the ends") << "  N0CALL \t" << QStringList{".unmute N0CALL", ".unmute N0CALL"};
        QTest::newRow("blanks only: empty") << "   " << QStringList{};
        QTest::newRow("lower case kept") << "n0call" << QStringList{".unmute n0call", ".unmute n0call"};
        QTest::newRow("quotes kept") << "\"N0\"" << QStringList{".unmute \"N0\"", ".unmute \"N0\""};
        QTest::newRow("leading dot") << ".users" << QStringList{".unmute .users", ".unmute .users"};
        QTest::newRow("300 characters") << QString(300, 'A') << QStringList{".unmute " + QString(300, 'A'),
                                                                          ".unmute " + QString(300, 'A')};
        QTest::newRow("line feed refused") << "N0CALL\n.ban add K1ABC" << QStringList{};
        QTest::newRow("carriage return refused") << "N0CALL\r" + QString("x") << QStringList{};
    }
    void awkwardAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, sent);
        Linked l;
        l.rig.dialogs.queueAnswer(answer);
        l.click("Command46");
        QCOMPARE(l.rig.sent(), sent);
        const bool refused = answer.contains('\n') || answer.contains('\r');
        QCOMPARE(l.rig.dialogs.shown().size(), refused ? 2 : 1); // the prompt, and the message when refused
    }

    void boxWithALineBreakIsNeverSent()
    {
        Linked l;
        ui(*l.f).Station3->setText("N0CALL\n.ban add K1ABC");
        l.click("Command49");
        QCOMPARE(l.rig.sent(), QStringList{});
        QVERIFY(ui(*l.f).StatusLine->text().contains("line break"));
    }

    void gatedButtonsRefuseWhileAdminDisabled_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("gated");
        for (const char *b : {"Mute", "Command1", "Command41", "Command55", "Command57", "Command56", "Command43",
                              "Disconnect", "Connect", "Command44", "Mute_Message", "Command47", "Command48",
                              "Mute_Station", "Command45", "Command46", "Unmute_Station", "Ban", "Ban_Remove",
                              "Command42", "Unmute_All", "Command29", "Band_List", "Who_Is_Muted", "Users", "Admins",
                              "Command54", "Command9", "Command49", "Command50", "Command51", "Command52"})
            QTest::newRow(b) << b << true;
        for (const char *b : {"Stats", "Command32", "Command33", "Command40", "Command10", "Command17", "Command28"})
            QTest::newRow(b) << b << false;
    }
    void gatedButtonsRefuseWhileAdminDisabled()
    {
        QFETCH(QString, button);
        QFETCH(bool, gated);
        Linked l(false);
        l.rig.dialogs.queueAnswer("N0CALL");
        l.click(button);
        const auto &shown = l.rig.dialogs.shown();
        const bool refused = !shown.isEmpty() && shown.first().title == "Admin Authorization Required";
        QCOMPARE(refused, gated);
        if (gated) {
            QCOMPARE(shown.size(), 1); // no prompt after the refusal
            QCOMPARE(l.rig.operations(), QStringList{});
        } else {
            QVERIFY(!l.rig.operations().isEmpty());
        }
    }

    void adminOverrideOpensTheGate()
    {
        Linked l(false);
        l.click("Command10");
        QCOMPARE(ui(*l.f).Text36->text(), QStringLiteral("Admin Override"));
        QCOMPARE(controls::backColor(ui(*l.f).Text36), 8454016);
        QCOMPARE(l.rig.operations(), (QStringList{"disconnect-all", "connect-station *HARBOUR*"}));
        l.rig.client.clearRecords();
        l.click("Mute");
        QCOMPARE(l.rig.sent(), QStringList{".mute ."});
    }

    void listUsers_data()
    {
        QTest::addColumn<int>("profile"); // 0-3, -1 none
        QTest::addColumn<bool>("logOnFirst");
        QTest::addColumn<QStringList>("sentAtOnce");
        QTest::addColumn<QStringList>("sentASecondLater");
        QTest::addColumn<int>("listWait");
        QTest::newRow("plain refresh") << 0 << false << QStringList{".users"} << QStringList{".users"} << 3;
        QTest::newRow("log on first, profile 2")
            << 1 << true << QStringList{".admin second-pw"} << QStringList{".admin second-pw", ".users"} << 3;
    }
    void listUsers()
    {
        QFETCH(int, profile);
        QFETCH(bool, logOnFirst);
        QFETCH(QStringList, sentAtOnce);
        QFETCH(QStringList, sentASecondLater);
        QFETCH(int, listWait);
        Linked l;
        ui(*l.f).Frame5->setTitle("Connected");
        l.f->profiles()[profile].option->setChecked(true);
        controls::setCheckValue(ui(*l.f).Check4, logOnFirst ? 1 : 0);
        l.click("Command9");
        QCOMPARE(l.rig.sent(), sentAtOnce);
        QCOMPARE(l.f->nListWait, logOnFirst ? 1 : 3);
        l.rig.advance(1000);
        QCOMPARE(l.rig.sent(), sentASecondLater);
        QCOMPARE(l.f->nListWait, listWait);
        QCOMPARE(ui(*l.f).Frame5->title(), QStringLiteral("LOADING"));
        l.rig.advance(5000);
        QCOMPARE(l.rig.sent(), sentASecondLater); // one shot
    }

    void listUsersKeepsThePasswordWhenNoProfileIsSelected()
    {
        Linked l;
        l.f->profiles()[1].option->setChecked(true);
        controls::setCheckValue(ui(*l.f).Check4, 1);
        l.click("Command9");
        l.rig.advance(2000);
        for (const Form6::Profile &p : l.f->profiles())
            p.option->setAutoExclusive(false), p.option->setChecked(false);
        l.rig.client.clearRecords();
        l.click("Command9");
        QCOMPARE(l.rig.sent(), QStringList{".admin second-pw"});
    }

    void quickProfileButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("profile");
        const char *rows[4][2] = {{"Command17", "Command20"}, {"Command18", "Command21"},
                                  {"Command19", "Command22"}, {"Command5", "Command28"}};
        for (int p = 0; p < 4; ++p)
            for (const char *b : rows[p])
                QTest::newRow(b) << b << p;
    }
    void quickProfileButtons()
    {
        QFETCH(QString, button);
        QFETCH(int, profile);
        Linked l;
        for (int i = 0; i < 4; ++i)
            l.f->profiles()[i].conference->setText(QStringLiteral("*CONF%1*").arg(i + 1));
        l.rig.client.clearRecords();
        l.click(button);
        for (int i = 0; i < 4; ++i) {
            const Form6::Profile &p = l.f->profiles()[i];
            QCOMPARE(p.option->isChecked(), i == profile);
            QCOMPARE(p.twin->isChecked(), i == profile);
            for (QWidget *w : {static_cast<QWidget *>(p.conference), static_cast<QWidget *>(p.password),
                               static_cast<QWidget *>(p.conDisc), static_cast<QWidget *>(p.sysop),
                               static_cast<QWidget *>(p.admin), static_cast<QWidget *>(p.labelConference),
                               static_cast<QWidget *>(p.labelPassword)})
                QCOMPARE(!w->isHidden(), i == profile);
        }
        QCOMPARE(l.rig.operations(),
                 (QStringList{"disconnect-all", QStringLiteral("connect-station *CONF%1*").arg(profile + 1)}));
    }

    void stationFrameButtonsSendCapitals_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("line");
        QTest::newRow("Command49") << "Command49" << ".connect W1AW-R";
        QTest::newRow("Command50") << "Command50" << ".disconnect W1AW-R";
        QTest::newRow("Command51") << "Command51" << ".disconnect K2XYZ-L";
        QTest::newRow("Command52") << "Command52" << ".connect K2XYZ-L";
    }
    void stationFrameButtonsSendTheBoxAsItStands()
    {
        Linked l;
        ui(*l.f).Station3->clear(); // an empty box goes out as it stands
        l.click("Command50");
        QCOMPARE(l.rig.sent(), QStringList{".disconnect "});
    }

    void stationFrameButtonsSendCapitals()
    {
        QFETCH(QString, button);
        QFETCH(QString, line);
        Linked l;
        {
            // Loaded lower case from the settings file: the box keeps it.
            QSignalBlocker b3(ui(*l.f).Station3), b4(ui(*l.f).Station4);
            ui(*l.f).Station3->setText("w1aw-r");
            ui(*l.f).Station4->setText("k2xyz-l");
        }
        l.click(button);
        QCOMPARE(l.rig.sent(), QStringList{line});
    }

    void echoKeepsTheOperatorsUnsentText_data()
    {
        QTest::addColumn<int>("stampChat");
        QTest::addColumn<QString>("typed");
        QTest::newRow("chat stamp off") << 0 << "half a sent";
        QTest::newRow("chat stamp on") << 1 << "half a sent";
        QTest::newRow("a dot-command being typed") << 0 << ".us";
    }
    void echoKeepsTheOperatorsUnsentText()
    {
        QFETCH(int, stampChat);
        QFETCH(QString, typed);
        Linked l;
        Messages &chat = l.rig.program->messages();
        controls::setCheckValue(chat.findChild<QCheckBox *>("Check1"), stampChat);
        QLineEdit *box = ui(chat).TextTX;
        box->setText(typed);
        box->setSelection(2, 3);
        ui(*l.f).Frame5->setTitle("LOADING");
        l.rig.dialogs.queueAnswer("N0CALL");
        l.click("Command45");
        QCOMPARE(box->text(), typed);
        QCOMPARE(box->selectionStart(), 2);
        QCOMPARE(box->selectedText(), typed.mid(2, 3));
        QCOMPARE(l.rig.sent().size(), 2); // the unsent text was not sent either
        QCOMPARE(ui(*l.f).Frame5->title(), QStringLiteral("Connected"));
        auto *display = chat.findChild<QTextEdit *>("RTB");
        QVERIFY(!display->toPlainText().contains(typed));
    }

    void outcomes_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("call");
        QTest::addColumn<bool>("adminEnabled");
        QTest::addColumn<bool>("failing");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("sent");
        const QString q = ".quote (14:05) ** ";
        QTest::newRow("done") << "unban" << "N0CALL" << true << false << int(Outcome::Done)
                              << QStringList{".ban delete N0CALL"};
        QTest::newRow("every line, in order") << "timed ban" << "N0CALL" << true << false << int(Outcome::Done)
                                              << QStringList{q + "N0CALL" + kTimedBan, ".disc N0CALL", ".ban add N0CALL"};
        QTest::newRow("gate closed") << "unban" << "N0CALL" << false << false << int(Outcome::GateClosed)
                                     << QStringList{};
        QTest::newRow("ungated while admin is disabled") << "unban ungated" << "N0CALL" << false << false
                                                         << int(Outcome::Done) << QStringList{".ban delete N0CALL"};
        QTest::newRow("not one line") << "unban" << "N0CALL\n.ban add K1ABC" << true << false
                                      << int(Outcome::NotOneLine) << QStringList{};
        QTest::newRow("client refuses") << "unban" << "N0CALL" << true << true << int(Outcome::SendFailed)
                                        << QStringList{};
        QTest::newRow("ban with a plain notice") << "plain ban" << "N0CALL" << true << false
                                                 << int(Outcome::Unsupported) << QStringList{};
        QTest::newRow("timed unmute") << "timed unmute" << "N0CALL" << true << false << int(Outcome::Unsupported)
                                      << QStringList{};
        QTest::newRow("nobody") << "nobody" << "" << true << false << int(Outcome::NoStation) << QStringList{};
    }
    void outcomes()
    {
        QFETCH(QString, action);
        QFETCH(QString, call);
        QFETCH(bool, adminEnabled);
        QFETCH(bool, failing);
        QFETCH(int, kind);
        QFETCH(QStringList, sent);
        Linked l(adminEnabled);
        l.f->sTextSay = "left over";
        l.rig.client.setFailing(failing);
        ModerationActions &a = l.rig.program->moderationActions();
        const std::map<QString, std::function<Outcome()>> actions{
            {"unban", [&] { return a.unban(call, Notice::None, Chat::Unchanged, Gate::Consult); }},
            {"unban ungated", [&] { return a.unban(call, Notice::None, Chat::Unchanged, Gate::Ungated); }},
            {"timed ban", [&] { return a.ban(call, Notice::Quoted, Span::Timed, Gate::Consult); }},
            {"plain ban", [&] { return a.ban(call, Notice::Plain, Span::Untimed, Gate::Consult); }},
            {"timed unmute", [&] { return a.unmute(call, Notice::Plain, Span::Timed, Chat::Shown, Gate::Consult); }},
            {"nobody", [&] { return a.noStation(); }},
        };
        const Outcome outcome = actions.at(action)();
        QCOMPARE(int(outcome.kind), kind);
        QCOMPARE(outcome.sent, sent);
        QCOMPARE(l.rig.sent(), sent);
        QCOMPARE(outcome.why.isEmpty(), kind == Outcome::Done || kind == Outcome::NoStation);
        // Failures and refusals are told in the status line; the gate has its own message.
        const bool told = outcome.failed() || kind == Outcome::Unsupported;
        QCOMPARE(!outcome.why.isEmpty() && ui(*l.f).StatusLine->text().contains(outcome.why), told);
        QCOMPARE(l.rig.dialogs.shown().size(), kind == Outcome::GateClosed ? 1 : 0);
        if (kind == Outcome::NoStation)
            QCOMPARE(l.f->sTextSay, QString());
    }

    void outcomeWithoutAClient()
    {
        TestRig rig;
        rig.build(); // not started: the main window has made no client yet
        const Outcome outcome = rig.program->moderationActions().connectStation("N0CALL", Gate::Ungated);
        QCOMPARE(int(outcome.kind), int(Outcome::NoLink));
        QVERIFY(outcome.failed());
        QVERIFY(outcome.sent.isEmpty());
    }

    void failedSendStopsTheAction()
    {
        Linked l;
        l.rig.client.setFailing(true);
        l.rig.dialogs.queueAnswer("N0CALL");
        l.click("Command47");
        QCOMPARE(l.rig.sent(), QStringList{});
        QVERIFY(!ui(*l.f).StatusLine->text().isEmpty());
        QVERIFY(!l.rig.program->messages().isVisible());
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestModerationActions)
#include "test_moderation_actions.moc"
