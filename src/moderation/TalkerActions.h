#pragma once

#include "ModerationSteps.h"

#include <QObject>
#include <QString>

namespace gavelry {

class Form6;

/// The buttons that act on the station talking now or the one that talked
/// last (the talker boxes Text1 and Text37). All of them are gated.
class TalkerActions : public QObject {
    Q_OBJECT
public:
    explicit TalkerActions(Form6 &form);

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

    Form6 &m_form;
    ModerationSteps m_steps;
};

} // namespace gavelry
