#pragma once

#include "moderation/ModerationSteps.h"

#include <QObject>
#include <QString>

#include <array>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace gavelry {

class AdminGate;
class ConferenceProfiles;
class Form6;
class ModerationActions;
class StationTracking;

/// The buttons that act on the conference as a whole: unmute everybody, the
/// listings, lurking, connecting and dropping the two scheduled stations,
/// the re-connect buttons, the quick profile buttons and "Net Control".
class ConferenceActions : public QObject {
    Q_OBJECT
public:
    /// The controls of the main window these buttons work with.
    struct Controls {
        QPushButton *Command42, *Unmute_All, *Command29, *Band_List, *Who_Is_Muted, *Users, *Admins, *Stats,
            *Command54, *Command9, *Command32, *Command33, *Command49, *Command50, *Command51, *Command52,
            *Command40, *Command10, *Command8;
        /// The quick profile buttons, both rows, for profiles 1 to 4.
        std::array<std::array<QPushButton *, 2>, 4> quickProfile;
        QCheckBox *Check4;    ///< "Enter Password +" of Command9
        QGroupBox *Frame5;    ///< the station list's frame
        QLineEdit *Station3;  ///< the two scheduled stations
        QLineEdit *Station4;
    };

    ConferenceActions(Form6 &form, ModerationActions &actions, AdminGate &gate, ConferenceProfiles &profiles,
                      StationTracking &tracking);

    /// "Unmute All" on the face, on its tab, and "Un Mute ALL" beside its DTMF code.
    void Command42_Click();
    void Unmute_All_Click();
    void Command29_Click();
    /// The listings; the server's answer appears in the chat window.
    void Band_List_Click();
    void Who_Is_Muted_Click();
    void Users_Click();
    void Admins_Click();
    void Stats_Click();
    /// "Attributes": the user list with each station's attributes.
    void Command54_Click();
    /// "List Users": refreshes the station list of the main window, after
    /// logging on as admin first when "Enter Password +" is ticked.
    void Command9_Click();
    /// "Lurk" and "De Lurk" (not gated).
    void Command32_Click();
    void Command33_Click();
    /// "Connect" and "Disconnect" of the two scheduled stations; the
    /// callsign always goes out in capitals, as the box holds it.
    void Command49_Click();
    void Command50_Click();
    void Command51_Click();
    void Command52_Click();
    /// ">> RESET << Disconnect and Re Connect".
    void Command40_Click();
    /// "Reset Conf Connect": re-connects and overrides the admin gate.
    void Command10_Click();
    /// "Net Control": the web links window.
    void Command8_Click();
    /// The quick profile buttons: both rows select profile 1 to 4 and
    /// connect or disconnect it at once.
    void quickProfile(int index);

    /// The password "List Users" logs on with (remembered from the selected
    /// profile at each press; kept when no profile is selected).
    QString rememberedPassword() const { return m_adminPassword; }

private:
    void wireQuickProfiles();
    void stationLink(const QLineEdit *callBox, bool connectIt);

    Controls m_c;
    Form6 &m_form;
    ModerationActions &m_actions;
    AdminGate &m_gate;
    ConferenceProfiles &m_profiles;
    StationTracking &m_tracking;
    ModerationSteps m_steps;
    QString m_adminPassword;
};

} // namespace gavelry
