#include "moderation/CallsignActions.h"

#include "core/Controls.h"
#include "core/Form6.h"
#include "moderation/ModerationActions.h"

#include <QCheckBox>
#include <QPushButton>

namespace gavelry {

using namespace moderation;

const QString CallsignActions::kAskDisconnect = QStringLiteral("Enter Call of the station to Disconnect ");
const QString CallsignActions::kAskConnect = QStringLiteral("Enter Call that you wish to connect to the conference ");
const QString CallsignActions::kAskMuteMessage = QStringLiteral(
    "Enter Call to send the Mute Message ( You have been Muted from the server due to your link or a link connected "
    "to you causing a problem. When problem sorted disconnect and reconnect to remove the Mute. <<Admin>>");
const QString CallsignActions::kAskMuteWithMessage = QStringLiteral(
    "Enter Call to MUTE and send send the Mute Message ( You have been Muted from the server due to your link or a "
    "link connected to you causing a problem. When problem sorted disconnect and reconnect to remove the Mute. "
    "<<Admin>>)");
const QString CallsignActions::kAskMute = QStringLiteral("Enter Call to MUTE ");
const QString CallsignActions::kAskMutePersistent = QStringLiteral(
    "Enter Call to put a Persistant MUTE and send a Message (You have been Muted from the server due to your link or "
    "a link connected to you causing a problem. Contact the Admin to remove the Mute <<Admin>>)");
const QString CallsignActions::kAskUnmute = QStringLiteral("Enter Call to Unmute");
const QString CallsignActions::kAskBan = QStringLiteral("Enter Call to Ban");
const QString CallsignActions::kAskRemoveBan = QStringLiteral("Enter Call To Remove BAN");

namespace {

Span timedBy(const QCheckBox *box) { return controls::checkValue(box) == 1 ? Span::Timed : Span::Untimed; }

} // namespace

CallsignActions::CallsignActions(Form6 &form, ModerationActions &actions)
    : m_c{controls::child<QPushButton>(form, "Command43"),
          controls::child<QPushButton>(form, "Disconnect"),
          controls::child<QPushButton>(form, "Connect"),
          controls::child<QPushButton>(form, "Command44"),
          controls::child<QPushButton>(form, "Mute_Message"),
          controls::child<QPushButton>(form, "Command47"),
          controls::child<QPushButton>(form, "Command48"),
          controls::child<QPushButton>(form, "Mute_Station"),
          controls::child<QPushButton>(form, "Command45"),
          controls::child<QPushButton>(form, "Command46"),
          controls::child<QPushButton>(form, "Unmute_Station"),
          controls::child<QPushButton>(form, "Ban"),
          controls::child<QPushButton>(form, "Ban_Remove"),
          controls::child<QCheckBox>(form, "Check6"),
          controls::child<QCheckBox>(form, "Check7"),
          controls::child<QCheckBox>(form, "Check8")},
      m_actions(actions),
      m_steps(form)
{
    auto wire = [this](QPushButton *button, void (CallsignActions::*handler)()) {
        connect(button, &QPushButton::clicked, this, handler);
    };
    wire(m_c.Command43, &CallsignActions::Command43_Click);
    wire(m_c.Disconnect, &CallsignActions::Disconnect_Click);
    wire(m_c.Connect, &CallsignActions::Connect_Click);
    wire(m_c.Command44, &CallsignActions::Command44_Click);
    wire(m_c.Mute_Message, &CallsignActions::Mute_Message_Click);
    wire(m_c.Command47, &CallsignActions::Command47_Click);
    wire(m_c.Command48, &CallsignActions::Command48_Click);
    wire(m_c.Mute_Station, &CallsignActions::Mute_Station_Click);
    wire(m_c.Command45, &CallsignActions::Command45_Click);
    wire(m_c.Command46, &CallsignActions::Command46_Click);
    wire(m_c.Unmute_Station, &CallsignActions::Unmute_Station_Click);
    wire(m_c.Ban, &CallsignActions::Ban_Click);
    wire(m_c.Ban_Remove, &CallsignActions::Ban_Remove_Click);
}

template <class F, class G>
void CallsignActions::askThen(const QString &prompt, F &&act, G &&after)
{
    m_steps.run([&] {
        if (!m_actions.gateAllows())
            return;
        const std::optional<QString> call = m_steps.ask(prompt);
        if (!call)
            return;
        const Outcome outcome = call->isEmpty() ? m_actions.noStation() : act(*call);
        if (!outcome.failed())
            after(*call);
    });
}

template <class F>
void CallsignActions::askThen(const QString &prompt, F &&act)
{
    askThen(prompt, std::forward<F>(act), [](const QString &) {});
}

void CallsignActions::Command43_Click()
{
    askThen(kAskDisconnect, [&](const QString &call) { return m_actions.disconnect(call, Chat::Shown, Gate::Consulted); });
}

void CallsignActions::Disconnect_Click()
{
    askThen(kAskDisconnect,
            [&](const QString &call) { return m_actions.disconnect(call, Chat::Unchanged, Gate::Consulted); });
}

void CallsignActions::Connect_Click()
{
    m_steps.run([&] {
        if (!m_actions.gateAllows())
            return;
        // No empty test here: an empty answer asks the server for ".connect ".
        if (const std::optional<QString> call = m_steps.ask(kAskConnect))
            m_actions.connectStation(*call, Gate::Consulted);
    });
}

void CallsignActions::Command44_Click()
{
    askThen(kAskMuteMessage, [&](const QString &call) {
        return m_actions.mute(call, Notice::Bare, Span::Untimed, Chat::Unchanged, Gate::Consulted);
    });
}

void CallsignActions::Mute_Message_Click()
{
    askThen(kAskMuteMessage, [&](const QString &call) {
        return m_actions.mute(call, Notice::Bare, Span::Untimed, Chat::Shown, Gate::Consulted);
    });
}

void CallsignActions::Command47_Click()
{
    const Span span = timedBy(m_c.Check6);
    askThen(
        kAskMuteWithMessage,
        [&](const QString &call) { return m_actions.mute(call, Notice::Plain, span, Chat::Shown, Gate::Consulted); },
        [&](const QString &call) {
            // An empty answer still takes a slot, which runs out without sending.
            if (call.isEmpty() && span == Span::Timed)
                m_actions.timedMute(call, Chat::Unchanged);
        });
}

void CallsignActions::Command48_Click()
{
    const Span span = timedBy(m_c.Check7);
    // Without a notice the chat window comes up only for a timed mute.
    const Chat chat = span == Span::Timed ? Chat::Shown : Chat::Unchanged;
    askThen(
        kAskMute, [&](const QString &call) { return m_actions.mute(call, Notice::None, span, chat, Gate::Consulted); },
        [&](const QString &call) {
            if (call.isEmpty() && span == Span::Timed)
                m_actions.timedMute(call, chat);
        });
}

void CallsignActions::Mute_Station_Click()
{
    askThen(
        kAskMutePersistent,
        [&](const QString &call) {
            return m_actions.mute(call, Notice::Plain, Span::Persistent, Chat::Unchanged, Gate::Consulted);
        },
        [&](const QString &) { m_steps.timedWindow(); });
}

void CallsignActions::Command45_Click()
{
    askThen(kAskUnmute, [&](const QString &call) {
        return m_actions.unmute(call, Notice::Plain, Span::Untimed, Chat::Shown, Gate::Consulted);
    });
}

void CallsignActions::Command46_Click()
{
    askThen(kAskUnmute, [&](const QString &call) {
        return m_actions.unmute(call, Notice::None, Span::Untimed, Chat::Unchanged, Gate::Consulted);
    });
}

void CallsignActions::Unmute_Station_Click()
{
    askThen(kAskUnmute, [&](const QString &call) {
        return m_actions.unmute(call, Notice::Plain, Span::Persistent, Chat::Unchanged, Gate::Consulted);
    });
}

void CallsignActions::Ban_Click()
{
    const Span span = timedBy(m_c.Check8);
    // A timed ban tells the station first; a ban for good goes unannounced.
    const Notice notice = span == Span::Timed ? Notice::Quoted : Notice::None;
    askThen(kAskBan, [&](const QString &call) { return m_actions.ban(call, notice, span, Gate::Consulted); });
}

void CallsignActions::Ban_Remove_Click()
{
    askThen(kAskRemoveBan, [&](const QString &call) { return m_actions.unban(call, Notice::None, Chat::Unchanged, Gate::Consulted); });
}

} // namespace gavelry
