#pragma once

#include "ModerationSteps.h"

#include <QObject>
#include <QString>

namespace gavelry {

class Form6;

/// The buttons that ask the operator for a callsign and then mute, unmute,
/// disconnect, connect or ban that station. All of them are gated. An empty
/// answer (Cancel included) sends nothing unless a button says otherwise.
class CallsignActions : public QObject {
    Q_OBJECT
public:
    explicit CallsignActions(Form6 &form);

    /// The prompts, as the operator reads them.
    static const QString kAskDisconnect;
    static const QString kAskConnect;
    static const QString kAskMuteMessage;
    static const QString kAskMuteWithMessage;
    static const QString kAskMute;
    static const QString kAskMutePersistent;
    static const QString kAskUnmute;
    static const QString kAskBan;
    static const QString kAskRemoveBan;

    /// "Disconnect Station" on the face (then the chat window) and on its tab.
    void Command43_Click() { disconnectStation(true); }
    void Disconnect_Click() { disconnectStation(false); }
    /// "Connect Station": an empty answer sends ".connect " as it stands.
    void Connect_Click();
    /// "Mute Message": the notice alone; the tab's copy then shows the chat window.
    void Command44_Click() { muteMessage(false); }
    void Mute_Message_Click() { muteMessage(true); }
    /// "Mute 1 Station With Message", timed when Check6 is ticked.
    void Command47_Click();
    /// "Mute 1 Station With NO Message", timed when Check7 is ticked.
    void Command48_Click();
    /// "Mute Station (Persistent)".
    void Mute_Station_Click();
    /// "Unmute 1 Station With Message".
    void Command45_Click();
    /// "Unmute 1 Station With NO Message": the unmute goes out twice.
    void Command46_Click();
    /// "Unmute Station (Persistent)".
    void Unmute_Station_Click();
    /// "Ban Station", timed when Check8 is ticked.
    void Ban_Click();
    /// "Remove Ban".
    void Ban_Remove_Click();

private:
    void disconnectStation(bool showChat);
    void muteMessage(bool showChat);
    /// Sends line, echoes, then the notice for call (shown after the chat
    /// window comes up when showChat) and the echo again.
    void commandWithNotice(const QString &line, channel::Marker marker, const QString &call, const QString &text,
                           bool showChatBeforeNotice);
    /// Asks with prompt, then runs steps with the answer; an empty answer
    /// only empties the outgoing line. Gated.
    template <class F>
    void askThen(const QString &prompt, F &&steps);
    /// The same, then afterAnyAnswer with the answer, empty or not (not
    /// after an answer refused for a line break).
    template <class F, class G>
    void askThen(const QString &prompt, F &&steps, G &&afterAnyAnswer);

    Form6 &m_form;
    ModerationSteps m_steps;
};

} // namespace gavelry
