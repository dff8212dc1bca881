#include "chat/ChatController.h"

#include "core/AdminGate.h"
#include "core/CommandWatch.h"
#include "chat/ChatFilter.h"
#include "chat/ChatLine.h"
#include "platform/ClientLink.h"
#include "core/Controls.h"
#include "core/Errors.h"
#include "chat/Messages.h"
#include "core/ModerationLog.h"
#include "core/OwnSettings.h"
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
                               TalkTimeSwitch &talkTime, CommandWatch &watch)
    : m_window(window), m_gate(gate), m_tracking(tracking), m_talkTime(talkTime), m_watch(watch),
      m_c(controlsOf(window))
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
        // The server answers us with a text of its own: no "CALL>" in
        // front, which no station's line can lack.
        const bool fromServer = !line.contains(u'>');
        m_fromServer = fromServer;
        answerChatProbe(line);
        answerVersionProbe(line);
        const QString call = client().localCallsign();
        const QString upper = line.toUpper();
        remoteTalkTimeOff(upper, call);
        remoteTalkTimeOn(upper, call);
        fourMinuteLimit(line);
        adminAcknowledgement(line, fromServer);
        if (serverAnswer(line, fromServer))
            return;
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

bool ChatController::trusted(const QString &probe)
{
    const OwnSettings *own = m_window.context().ownSettings;
    if (m_fromServer || !own || own->trusts(m_sender))
        return true;
    refused(QStringLiteral("remote probe %1 refused: the station is not in TRUSTED_STATIONS").arg(probe));
    return false;
}

void ChatController::refused(const QString &what)
{
    // A station repeating what is refused fills no log: one entry for each
    // station a minute.
    const qint64 now = m_window.context().scheduler.elapsedMs();
    const QString station = m_sender.trimmed().toUpper();
    const auto last = m_refusedAt.constFind(station);
    if (last != m_refusedAt.constEnd() && now - *last < kRefusedOncePerMs)
        return;
    if (m_refusedAt.size() >= kRefusedRemembered) {
        for (auto it = m_refusedAt.begin(); it != m_refusedAt.end();)
            it = now - *it >= kRefusedOncePerMs ? m_refusedAt.erase(it) : std::next(it);
    }
    if (m_refusedAt.size() >= kRefusedRemembered)
        return;
    m_refusedAt.insert(station, now);
    if (ModerationLog *log = m_window.context().log) {
        ModerationLog::Cause cause(log, QStringLiteral("chat line from %1").arg(controls::clipped(m_sender, kSenderInLog)));
        log->action(what, controls::clipped(m_sender, kSenderInLog));
    }
}

void ChatController::answerChatProbe(const QString &line)
{
    if (line.contains(QStringLiteral("/chat/")) && trusted(QStringLiteral("/chat/")))
        send(QStringLiteral("Chat-KZ v") + QString::fromLatin1(kVersionText));
}

void ChatController::answerVersionProbe(const QString &line)
{
    if (line.contains(QStringLiteral("/ver/")) && trusted(QStringLiteral("/ver/")))
        send(QString::fromLatin1(kProductName) + QStringLiteral("  v") + QString::fromLatin1(kVersionText));
}

// The switches look in the upper-cased line for the callsign exactly as the
// client reports it.
void ChatController::remoteTalkTimeOff(const QString &upperLine, const QString &call)
{
    if (chat::containsJoined(upperLine, u"/TIMEOUT OFF/ ", call) && trusted(QStringLiteral("/TIMEOUT OFF/"))) {
        m_talkTime.switchRemotely(false);
        remoteAction(QStringLiteral("talk-time limit off"), QStringLiteral("/TIMEOUT OFF/"));
        send(QStringLiteral(" OK OFF"));
    }
}

void ChatController::remoteTalkTimeOn(const QString &upperLine, const QString &call)
{
    if (chat::containsJoined(upperLine, u"/TIMEOUT ON/ ", call) && trusted(QStringLiteral("/TIMEOUT ON/"))) {
        m_talkTime.switchRemotely(true);
        remoteAction(QStringLiteral("talk-time limit on"), QStringLiteral("/TIMEOUT ON/"));
        send(QStringLiteral(" OK ON"));
    }
}

void ChatController::fourMinuteLimit(const QString &line)
{
    if (line.contains(QStringLiteral("/timeout4/")) && trusted(QStringLiteral("/timeout4/"))) {
        m_talkTime.setLimitRemotely(QStringLiteral("4"));
        remoteAction(QStringLiteral("talk-time limit 4 minutes"), QStringLiteral("/timeout4/"));
    }
}

void ChatController::adminAcknowledgement(const QString &line, bool fromServer)
{
    if (!line.contains(QStringLiteral("By your command")) && !line.contains(QStringLiteral("Your wish is my command")))
        return;
    if (fromServer)
        m_gate.markEnabled();
    else
        refused(QStringLiteral("a station's line is no answer of the server: the admin state stays as it is"));
}

bool ChatController::serverAnswer(const QString &line, bool fromServer)
{
    if (fromServer)
        return m_watch.serverText(line);
    const chat::ChatLine parts = chat::splitChatLine(line);
    m_watch.conferenceLine(parts.sender.chopped(1), parts.message);
    return false;
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
