#include "CallsignActions.h"

#include "CommandChannel.h"
#include "Controls.h"
#include "Form6.h"

namespace gavelry {

using channel::Marker;
namespace notice = channel::notice;

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

CallsignActions::CallsignActions(Form6 &form) : m_form(form), m_steps(form)
{
    Ui::Form6 &ui = m_form.ui;
    auto wire = [this](QPushButton *button, void (CallsignActions::*handler)()) {
        connect(button, &QPushButton::clicked, this, handler);
    };
    wire(ui.Command43, &CallsignActions::Command43_Click);
    wire(ui.Disconnect, &CallsignActions::Disconnect_Click);
    wire(ui.Connect, &CallsignActions::Connect_Click);
    wire(ui.Command44, &CallsignActions::Command44_Click);
    wire(ui.Mute_Message, &CallsignActions::Mute_Message_Click);
    wire(ui.Command47, &CallsignActions::Command47_Click);
    wire(ui.Command48, &CallsignActions::Command48_Click);
    wire(ui.Mute_Station, &CallsignActions::Mute_Station_Click);
    wire(ui.Command45, &CallsignActions::Command45_Click);
    wire(ui.Command46, &CallsignActions::Command46_Click);
    wire(ui.Unmute_Station, &CallsignActions::Unmute_Station_Click);
    wire(ui.Ban, &CallsignActions::Ban_Click);
    wire(ui.Ban_Remove, &CallsignActions::Ban_Remove_Click);
}

template <class F, class G>
void CallsignActions::askThen(const QString &prompt, F &&steps, G &&afterAnyAnswer)
{
    m_steps.runGated([&] {
        const std::optional<QString> call = m_steps.ask(prompt);
        if (!call)
            return;
        if (call->isEmpty())
            m_steps.clear();
        else
            steps(*call);
        afterAnyAnswer(*call);
    });
}

template <class F>
void CallsignActions::askThen(const QString &prompt, F &&steps)
{
    askThen(prompt, std::forward<F>(steps), [](const QString &) {});
}

void CallsignActions::commandWithNotice(const QString &line, Marker marker, const QString &call,
                                        const QString &text, bool showChatBeforeNotice)
{
    m_steps.send(line);
    m_steps.echo();
    // The notice is built (and stamped) before the chat window comes up.
    const QString noticeLine = m_steps.plainNotice(marker, call, text);
    if (showChatBeforeNotice)
        m_steps.chat();
    m_steps.send(noticeLine);
    m_steps.echo();
    m_steps.clear();
}

void CallsignActions::disconnectStation(bool showChat)
{
    askThen(kAskDisconnect, [&](const QString &call) {
        m_steps.send(channel::disconnect(call));
        m_steps.echo();
        m_steps.clear();
        if (showChat)
            m_steps.chat();
    });
}

void CallsignActions::Connect_Click()
{
    m_steps.runGated([&] {
        // No empty test here: an empty answer asks the server for ".connect ".
        if (const std::optional<QString> call = m_steps.ask(kAskConnect))
            m_steps.send(channel::connect(*call));
    });
}

void CallsignActions::muteMessage(bool showChat)
{
    askThen(kAskMuteMessage, [&](const QString &call) {
        m_steps.send(ModerationSteps::bareNotice(Marker::Mute, call, notice::kMutedAdmin));
        if (showChat)
            m_steps.chat();
    });
}

void CallsignActions::Command47_Click()
{
    askThen(
        kAskMuteWithMessage,
        [&](const QString &call) {
            commandWithNotice(channel::mute(call), Marker::Mute, call, notice::kMutedAdmin, false);
            m_steps.chat();
        },
        [&](const QString &call) {
            if (controls::checkValue(m_form.ui.Check6) == 1) {
                m_steps.timedMuteHandOver(call);
                m_steps.timedWindow();
            }
        });
}

void CallsignActions::Command48_Click()
{
    askThen(
        kAskMute, [&](const QString &call) { m_steps.send(channel::mute(call)); },
        [&](const QString &call) {
            if (controls::checkValue(m_form.ui.Check7) == 1) {
                m_steps.timedMuteHandOver(call);
                m_steps.chat();
                m_steps.timedWindow();
            }
        });
}

void CallsignActions::Mute_Station_Click()
{
    askThen(
        kAskMutePersistent,
        [&](const QString &call) {
            commandWithNotice(channel::mutePersistent(call), Marker::Mute, call, notice::kMutedPersistentAdmin, false);
        },
        [&](const QString &) { m_steps.timedWindow(); });
}

void CallsignActions::Command45_Click()
{
    askThen(kAskUnmute, [&](const QString &call) {
        commandWithNotice(channel::unmute(call), Marker::Unmute, call, notice::kUnmutedAdmin, true);
    });
}

void CallsignActions::Command46_Click()
{
    askThen(kAskUnmute, [&](const QString &call) {
        m_steps.send(channel::unmute(call));
        m_steps.send(channel::unmute(call));
    });
}

void CallsignActions::Unmute_Station_Click()
{
    askThen(kAskUnmute, [&](const QString &call) {
        commandWithNotice(channel::unmutePersistent(call), Marker::Unmute, call, notice::kUnmutedAdmin, false);
    });
}

void CallsignActions::Ban_Click()
{
    askThen(kAskBan, [&](const QString &call) {
        if (controls::checkValue(m_form.ui.Check8) != 1) {
            m_steps.send(channel::disc(call));
            m_steps.send(channel::banAdd(call));
            m_steps.clear();
            return;
        }
        // Told first: once banned the station hears nothing more.
        m_steps.send(m_steps.quotedNotice(Marker::Mute, call, notice::kTimedBan));
        m_steps.echo();
        m_steps.clear();
        m_steps.send(channel::disc(call));
        m_steps.send(channel::banAdd(call));
        m_steps.echo();
        m_steps.timedBanHandOver(call);
        m_steps.timedWindow();
    });
}

void CallsignActions::Ban_Remove_Click()
{
    askThen(kAskRemoveBan, [&](const QString &call) { m_steps.sendAndClear(channel::banDelete(call)); });
}

} // namespace gavelry
