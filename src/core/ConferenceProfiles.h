#pragma once

#include "core/Form6.h"

#include <QObject>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace gavelry {

class AdminGate;
class ClientLink;

/// The main window's controls the conference profiles work on (each
/// profile's own fields come with Form6::profiles()).
struct ConferenceProfileControls {
    QPushButton *Command13, *Command14;
    QPushButton *Log_On_Conf, *Log_On_Conf2, *Log_On_Conf3, *Log_On_Conf4;
    QPushButton *Log_On, *Log_On2, *Log_On3, *Log_On4;
    QPushButton *Log_On_Admin, *Log_On_Admin2, *Log_On_Admin3, *Log_On_Admin4;
    /// The quick profile buttons of both rows, whose tool tips name the conferences.
    QPushButton *Command17, *Command18, *Command19, *Command5;
    QPushButton *Command20, *Command21, *Command22, *Command28;
    QCheckBox *StayCon1, *AutoEnter;
    /// The link status, as frame title and label.
    QGroupBox *Frame6;
    QLabel *Label9;
    /// The station list box, where an admin log-on is noted.
    QPlainTextEdit *Text2;
};

/// The four conference profiles of the main window: connecting and
/// disconnecting them, logging on as sysop or admin, keeping the selected
/// conference linked and showing its link state.
///
/// None of this goes through the admin gate: it is how the gate gets opened.
class ConferenceProfiles : public QObject {
    Q_OBJECT
public:
    ConferenceProfiles(Form6 &form, AdminGate &gate);

    /// Connects the selected profile, or disconnects it when it is linked.
    /// A fresh connect drops every other link first and shows "Connecting".
    void ConDisc();

    /// Stay connected: relinks the selected conference when it dropped and
    /// "Stay Connected" is ticked.
    void Timer1_Timer();
    /// The stay-connected step of the tick: with "Stay Connected" ticked,
    /// links the selected conference when it is not linked. Also run when
    /// the client comes on the air.
    void stayConnected();
    /// Conference status: the link state of the selected profile in the
    /// status frame and label; no profile linked marks the admin box.
    void Timer6_Timer();
    /// The profile buttons' tool tips show their conference callsigns (run
    /// by the one-second job).
    void updateToolTips();

    /// "Con/Disc  Conference": toggles the selected profile's link.
    void Command13_Click();
    /// "Admin": logs on as admin with the selected profile's password.
    void Command14_Click();
    void Log_On_Conf_Click() { toggleLink(0); }
    void Log_On_Conf2_Click() { toggleLink(1); }
    void Log_On_Conf3_Click() { toggleLink(2); }
    void Log_On_Conf4_Click() { toggleLink(3); }
    void Log_On_Click() { sysopLogOn(0); }
    void Log_On2_Click() { sysopLogOn(1); }
    void Log_On3_Click() { sysopLogOn(2); }
    void Log_On4_Click() { sysopLogOn(3); }
    void Log_On_Admin_Click() { adminLogOn(0); }
    void Log_On_Admin2_Click() { adminLogOn(1); }
    void Log_On_Admin3_Click() { adminLogOn(2); }
    void Log_On_Admin4_Click() { adminLogOn(3); }

    /// A link came up: when it is the selected conference, spelled exactly as
    /// its box, and "Auto Enter Admin Password" is ticked, log on as admin.
    void EchoLink_connected(const QString &sCallConnected, const QString &sName, const QString &sAddr);
    /// The server forgot our log-on while the link stayed up: log on as
    /// admin again when "Auto Enter Admin Password" is ticked, as after a
    /// link that came back.
    void logOnAgain();

private:
    using Profile = Form6::Profile;
    enum class LinkState { Linked, NotLinked, Unknown };

    void wireButtons();
    void wireEntryStyles();
    void attachClient(ClientLink *client);
    ClientLink &client() const;
    /// The selected profile, or null when none is selected or its callsign is empty.
    const Profile *selectedUsable() const;
    const Profile *usable(int index) const;

    void toggleLink(int index);
    void toggle(const Profile &p);
    void sysopLogOn(int index);
    void adminLogOn(int index);
    void showStatus(int foreColor, const QString &caption);
    /// Whether any profile's conference is linked; Unknown when the client
    /// failed to answer for one and none answered linked.
    LinkState profilesLinkState() const;

    Form6 &m_form;
    AdminGate &m_gate;
    const ConferenceProfileControls m_c;
};

} // namespace gavelry
