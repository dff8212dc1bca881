#include "chat/ChatController.h"

#include "core/AdminGate.h"
#include "chat/ChatFilter.h"
#include "chat/ChatLine.h"
#include "platform/ClientLink.h"
#include "core/Controls.h"
#include "core/Errors.h"
#include "chat/Messages.h"
#include "core/ModerationLog.h"
#include "chat/PrivateMessage.h"
#include "platform/Scheduler.h"
#include "core/StationTracking.h"
#include "core/TalkTimeSwitch.h"
#include "Version.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace gavelry {

namespace {

ChatControls controlsOf(const Messages &w)
{
    using controls::child;
    ChatControls c;
    for (int i = 0; i < int(c.FilterText.size()); ++i)
        c.FilterText[size_t(i)] = child<QLineEdit>(w, ("FilterText" + QByteArray::number(i + 1)).constData());
    c.Check3 = child<QCheckBox>(w, "Check3");
    c.Check2 = child<QCheckBox>(w, "Check2");
    c.Option1 = child<QRadioButton>(w, "Option1");
    c.ExtraCall = child<QLineEdit>(w, "ExtraCall");
    c.Text1 = child<QLineEdit>(w, "Text1");
    c.Text3 = child<QPlainTextEdit>(w, "Text3");
    return c;
}

} // namespace

ChatController::ChatController(Messages &window, AdminGate &gate, StationTracking &tracking,
                               TalkTimeSwitch &talkTime)
    : m_window(window), m_gate(gate), m_tracking(tracking), m_talkTime(talkTime), m_c(controlsOf(window))
{
    connect(&m_window, &Window::clientCreated, this, &ChatController::attachClient);
}

void ChatController::attachClient(ClientLink *link)
{
    connect(link, &ClientLink::ChatTextReceived, this, &ChatController::EchoLink_ChatTextReceived);
}

ClientLink &ChatController::client() const
{
    ClientLink *link = m_window.EchoLink();
    if (!link)
        throw ClientError(QStringLiteral("The chat window has no client"));
    return *link;
}

// Answers go out through the chat window's own client.
void ChatController::send(const QString &text) { client().sendChatText(text); }

void ChatController::remoteAction(const QString &what, const QString &probe)
{
    if (ModerationLog *log = m_window.context().log) {
        // The sender is whatever a station put before its ">": a callsign,
        // or anything at all.
        ModerationLog::Cause cause(
            log, QStringLiteral("remote probe %1 from %2").arg(probe, controls::clipped(m_sender, kSenderInLog)));
        log->action(what, QString());
    }
}

void ChatController::EchoLink_ChatTextReceived(const QString &sText)
{
    stopOnError(m_window.context(), [&] {
        const QString line = sText; // never changed below: every step sees the line as received
        m_sender = line.section(u'>', 0, 0);
        answerChatProbe(line);
        answerVersionProbe(line);
        const QString call = client().localCallsign();
        const QString upper = line.toUpper();
        remoteTalkTimeOff(upper, call);
        remoteTalkTimeOn(upper, call);
        fourMinuteLimit(line);
        adminAcknowledgement(line);
        allowSlowClient();
        settleExtraCall(call);
        if (isPrivateToUs(line, call))
            takePrivateMessage(line, call);
        // A private line goes on to the public display like any other.
        if (!chatShown())
            return;
        if (filtered(line, upper))
            return;
        const chat::DisplayLine shown = chat::displayLine(line, m_window.context().scheduler.hhmm());
        if (m_tracking.awaitsStationList())
            m_tracking.takeStationList(shown.message);
        else
            showReceivedLine(shown);
    });
}

void ChatController::answerChatProbe(const QString &line)
{
    if (line.contains(QStringLiteral("/chat/")))
        send(QStringLiteral("Chat-KZ v") + QString::fromLatin1(kVersionText));
}

void ChatController::answerVersionProbe(const QString &line)
{
    if (line.contains(QStringLiteral("/ver/")))
        send(QString::fromLatin1(kProductName) + QStringLiteral("  v") + QString::fromLatin1(kVersionText));
}

// The switches look in the upper-cased line for the callsign exactly as the
// client reports it.
void ChatController::remoteTalkTimeOff(const QString &upperLine, const QString &call)
{
    if (chat::containsJoined(upperLine, u"/TIMEOUT OFF/ ", call)) {
        m_talkTime.switchRemotely(false);
        remoteAction(QStringLiteral("talk-time limit off"), QStringLiteral("/TIMEOUT OFF/"));
        send(QStringLiteral(" OK OFF"));
    }
}

void ChatController::remoteTalkTimeOn(const QString &upperLine, const QString &call)
{
    if (chat::containsJoined(upperLine, u"/TIMEOUT ON/ ", call)) {
        m_talkTime.switchRemotely(true);
        remoteAction(QStringLiteral("talk-time limit on"), QStringLiteral("/TIMEOUT ON/"));
        send(QStringLiteral(" OK ON"));
    }
}

void ChatController::fourMinuteLimit(const QString &line)
{
    if (line.contains(QStringLiteral("/timeout4/"))) {
        m_talkTime.setLimitRemotely(QStringLiteral("4"));
        remoteAction(QStringLiteral("talk-time limit 4 minutes"), QStringLiteral("/timeout4/"));
    }
}

void ChatController::adminAcknowledgement(const QString &line)
{
    if (line.contains(QStringLiteral("By your command")) || line.contains(QStringLiteral("Your wish is my command")))
        m_gate.markEnabled();
}

// Pending events are not run here: Qt's event loop runs them between
// handlers anyway, and running them in the middle of a line would let the
// next chat line re-enter this handler.
void ChatController::allowSlowClient() { client().setWaits(kSlowClientWaitMs); }

void ChatController::settleExtraCall(const QString &call)
{
    QLineEdit *box = m_c.ExtraCall;
    QString extra = box->text();
    if (extra.size() < 3)
        extra = call;
    extra = extra.toUpper();
    // Setting a line edit's text costs a relayout even when nothing changes.
    if (extra != box->text())
        box->setText(extra);
}

QString ChatController::replyTag(const QString &call) const
{
    return QStringLiteral(":") + call + QStringLiteral(">:") + m_c.Text1->text().toUpper()
        + QStringLiteral("~");
}

bool ChatController::isPrivateToUs(const QString &line, const QString &call) const
{
    // Every tag ends in "~" and must start after the first character: most
    // lines have no "~" at all, and need no tags built.
    if (line.indexOf(u'~', 1) < 0)
        return false;
    return chat::isPrivateLine(
        line, {chat::privateTag(m_c.ExtraCall->text()), m_window.ownPrivateTag(), replyTag(call)});
}

void ChatController::takePrivateMessage(const QString &line, const QString &call)
{
    m_c.Text1->clear();
    m_window.showPrivateMessage(chat::receivedLogEntry(line, m_window.ownPrivateTag()));
    if (const auto ack = chat::acknowledgement(line, call))
        send(*ack);
    m_c.Text3->moveCursor(QTextCursor::End);
}

bool ChatController::chatShown() const { return m_c.Option1->isChecked(); }

bool ChatController::filtered(const QString &line, const QString &upperLine) const
{
    QStringList words;
    words.reserve(static_cast<qsizetype>(m_c.FilterText.size()));
    for (const QLineEdit *box : m_c.FilterText)
        words.append(box->text());
    return chat::filterDrops(line, upperLine, words, controls::checkValue(m_c.Check3) == 1);
}

void ChatController::showReceivedLine(const chat::DisplayLine &shown)
{
    m_window.RXText(shown.sender, controls::checkValue(m_c.Check2) == 1 ? shown.stamped : shown.message);
    m_tracking.chatLineShown();
}

} // namespace gavelry
