#pragma once

#include "moderation/ModerationSteps.h"

#include <QObject>
#include <QString>

class QCheckBox;
class QPushButton;

namespace gavelry {

class Form6;
class ModerationActions;

/// The buttons that ask the operator for a callsign and then mute, unmute,
/// disconnect, connect or ban that station: each is its prompt and a call of
/// the moderation action. All of them are gated (the gate is consulted
/// before the prompt). An empty answer (Cancel included) sends nothing and
/// empties the outgoing line unless a button says otherwise.
class CallsignActions : public QObject {
    Q_OBJECT
public:
    /// The controls of the main window these buttons work with.
    struct Controls {
        QPushButton *Command43, *Disconnect, *Connect, *Command44, *Mute_Message, *Command47, *Command48,
            *Mute_Station, *Command45, *Command46, *Unmute_Station, *Ban, *Ban_Remove;
        QCheckBox *Check6, *Check7, *Check8; ///< "Timed" of Command47, Command48 and Ban
    };

    CallsignActions(Form6 &form, ModerationActions &actions);

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
    void Command43_Click();
    void Disconnect_Click();
    /// "Connect Station": an empty answer sends ".connect " as it stands.
    void Connect_Click();
    /// "Mute Message": the notice alone; the tab's copy then shows the chat window.
    void Command44_Click();
    void Mute_Message_Click();
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
    /// Consults the gate, then asks with prompt: a callsign goes to act, an
    /// empty answer to nobody. Then, unless that failed, after runs with the
    /// answer, empty or not (never after an answer refused for a line break).
    template <class F, class G>
    void askThen(const QString &prompt, F &&act, G &&after);
    template <class F>
    void askThen(const QString &prompt, F &&act);

    Controls m_c;
    ModerationActions &m_actions;
    ModerationSteps m_steps;
};

} // namespace gavelry
