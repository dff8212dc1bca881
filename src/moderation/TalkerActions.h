#pragma once

#include <QObject>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace gavelry {

class Form6;
class ModerationActions;

/// The buttons that act on the station talking now or the one that talked
/// last (the talker boxes Text1 and Text37). All of them are gated.
class TalkerActions : public QObject {
    Q_OBJECT
public:
    /// The controls of the main window these buttons work with.
    struct Controls {
        QPushButton *Mute, *Command1, *Command41, *Command55, *Command57, *Command56;
        QLineEdit *Text37; ///< the last station to talk
        QCheckBox *Check5; ///< "Timed & Message" of Command41
    };

    TalkerActions(Form6 &form, ModerationActions &actions);

    /// "Mute Talking Station".
    void Mute_Click();
    /// "Mute Talking Station (Persistent)", with the conference told why.
    void Command1_Click();
    /// "Mute Last Talking Station": timed and with a notice when "Timed &
    /// Message" is ticked.
    void Command41_Click();
    /// "Disconnect Talking Station" and "Disc Talking Station".
    void Command55_Click() { disconnectTalking(); }
    void Command57_Click() { disconnectTalking(); }
    /// "Disconnect Last Talking Station".
    void Command56_Click();

private:
    void disconnectTalking();
    /// The last talker box's callsign, kept to one line: it came from the network.
    QString lastTalker() const;

    Controls m_c;
    ModerationActions &m_actions;
};

} // namespace gavelry
