#include "core/CommandWatch.h"

#include "channel/CommandChannel.h"
#include "core/AdminGate.h"
#include "core/Errors.h"
#include "core/Form6.h"
#include "core/ModerationLog.h"
#include "platform/ClientLink.h"
#include "platform/Scheduler.h"

namespace gavelry {

using channel::Reply;

const QString CommandWatch::kCheck = channel::admins();

namespace {

/// Two checks never go out closer than this: the server drops a chat line
/// repeated within ten seconds, and one question at a time is plenty.
constexpr int kCheckGapMs = 10000;

QString shown(const QString &command) { return ModerationLog::masked(command); }

} // namespace

CommandWatch::CommandWatch(Form6 &form, AdminGate &gate, ModerationLog &log)
    : m_form(form), m_gate(gate), m_log(log)
{
    m_log.awaitAnswers();
    connect(&m_log, &ModerationLog::commandSent, this, &CommandWatch::commandSent);
    m_checkTimer = form.context().scheduler.createTimer(this);
    m_checkTimer->setInterval(kCheckEveryMs);
    connect(m_checkTimer, &Timer::timeout, this, &CommandWatch::checkTick);
    m_checkTimer->setEnabled(true);
}

void CommandWatch::commandSent(int entry, const QString &line)
{
    m_pending.append({entry, line, false});
    m_form.context().scheduler.callAfter(kAnswerWaitMs, this, [this, entry] { timedOut(entry); });
}

bool CommandWatch::serverText(const QString &text)
{
    if (text.contains(QLatin1String("Your wish is my command")) || text.contains(QLatin1String("By your command")))
        m_acknowledged = true;
    // The first command waiting that the text answers; a text no rule knows
    // goes to the first one whose answer is worded differently by servers.
    qsizetype loose = -1;
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        const Reply reply = channel::replyTo(m_pending.at(i).command, text);
        if (reply != Reply::NotItsAnswer) {
            const bool check = m_pending.at(i).check;
            settle(i, reply, text);
            return check;
        }
        if (loose < 0 && channel::answerMayVary(m_pending.at(i).command))
            loose = i;
    }
    if (loose >= 0)
        settle(loose, Reply::Ok, text);
    return false;
}

void CommandWatch::conferenceLine(const QString &sender, const QString &message)
{
    // Only the conference itself speaks under a name in asterisks.
    if (!sender.startsWith(u'*') || !sender.endsWith(u'*') || sender.size() < 3)
        return;
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        const std::optional<QString> quoted = channel::quotedText(m_pending.at(i).command);
        if (quoted && message.trimmed() == quoted->trimmed()) {
            settle(i, Reply::Ok, message);
            return;
        }
    }
}

void CommandWatch::settle(qsizetype index, Reply reply, const QString &text)
{
    const Pending p = m_pending.takeAt(index);
    if (p.check) {
        checkAnswered(text);
        return;
    }
    AppContext &ctx = m_form.context();
    if (reply == Reply::Ok) {
        m_log.settle(p.id, QStringLiteral("ok"));
        return;
    }
    const QString said = channel::oneLine(text).simplified();
    m_log.settle(p.id, QStringLiteral("refused: ") + said);
    ctx.report(QStringLiteral("The server refused %1: %2").arg(shown(p.command), said));
}

void CommandWatch::timedOut(int id)
{
    qsizetype index = -1;
    for (qsizetype i = 0; i < m_pending.size() && index < 0; ++i)
        if (m_pending.at(i).id == id)
            index = i;
    if (index < 0)
        return; // answered in time
    const Pending p = m_pending.takeAt(index);
    if (p.check) {
        // The server did not say: down for a moment, or gone. Ask once
        // more soon, then at the usual pace; the state stays what it is
        // until the server says.
        if (!m_checkRetried) {
            m_checkRetried = true;
            m_form.context().scheduler.callAfter(kCheckGapMs, this, [this] { checkNow(); });
        }
        return;
    }
    m_log.settle(p.id, QStringLiteral("no answer in 10 s"));
    AppContext &ctx = m_form.context();
    if (channel::isLogOn(p.command)) {
        ctx.report(QStringLiteral("no answer to the log-on: is the password right?"));
        return;
    }
    ctx.report(QStringLiteral("No answer from the server in 10 s to %1").arg(shown(p.command)));
    // Silence to a command that needs the log-on: has the server forgotten it?
    if (channel::needsLogOn(p.command))
        checkNow();
}

bool CommandWatch::checkPending() const
{
    for (const Pending &p : m_pending)
        if (p.check)
            return true;
    return false;
}

bool CommandWatch::mayCheck() const
{
    // Only a log-on the server itself acknowledged is checked.
    if (!m_acknowledged || m_form.adminState() != AdminGate::kEnabled || checkPending())
        return false;
    const qint64 now = m_form.context().scheduler.elapsedMs();
    if (m_lastCheckMs >= 0 && now - m_lastCheckMs < kCheckGapMs)
        return false;
    const int selected = m_form.selectedProfile();
    ClientLink *client = m_form.EchoLink();
    if (selected < 0 || !client)
        return false;
    const QString call = m_form.profiles()[static_cast<std::size_t>(selected)].callsign();
    bool linked = false;
    try {
        linked = !call.isEmpty() && client->isConnected(call);
    } catch (const ClientError &) {
        return false;
    }
    return linked;
}

void CommandWatch::checkTick() { checkNow(); }

void CommandWatch::checkNow()
{
    if (!mayCheck())
        return;
    // Straight to the client: the question is the watch's own, not a
    // moderation step, so it neither passes the outgoing-line buffer nor
    // the moderation log.
    skipOnError(m_form.context(), [&] {
        m_form.EchoLink()->sendChatText(kCheck);
        m_lastCheckMs = m_form.context().scheduler.elapsedMs();
        const int id = --m_nextCheck;
        m_pending.append({id, kCheck, true});
        m_form.context().scheduler.callAfter(kAnswerWaitMs, this, [this, id] { timedOut(id); });
    });
}

void CommandWatch::checkAnswered(const QString &text)
{
    m_checkRetried = false;
    QString call;
    skipOnError(m_form.context(), [&] { call = m_form.EchoLink()->localCallsign(); });
    const std::optional<bool> listed = channel::listsLoggedOn(text, call);
    if (!listed || *listed || call.isEmpty() || m_form.adminState() != AdminGate::kEnabled)
        return;
    m_acknowledged = false;
    m_gate.markDisabled();
    {
        ModerationLog::Cause cause(&m_log, QStringLiteral("log-on check (%1): our station is not listed").arg(kCheck));
        m_log.action(QStringLiteral("admin log-on forgotten by the server"), QString());
    }
    m_form.context().report(QStringLiteral("The conference server no longer knows our admin log-on (restarted?): "
                                           "admin is disabled until it accepts one again"));
    emit logOnForgotten();
}

} // namespace gavelry
