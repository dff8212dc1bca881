#pragma once

#include "ModerationSteps.h"

#include <QObject>
#include <QString>

class QLineEdit;

namespace gavelry {

class Form6;

/// The buttons that act on the conference as a whole: unmute everybody, the
/// listings, lurking, connecting and dropping the two scheduled stations,
/// the re-connect buttons, the quick profile buttons and "Net Control".
class ConferenceActions : public QObject {
    Q_OBJECT
public:
    explicit ConferenceActions(Form6 &form);

    /// "Unmute All" on the face, on its tab, and "Un Mute ALL" beside its DTMF code.
    void Command42_Click() { unmuteAll(false, true); }
    void Unmute_All_Click() { unmuteAll(true, true); }
    void Command29_Click() { unmuteAll(false, false); }
    /// The listings; the server's answer appears in the chat window.
    void Band_List_Click() { listing(channel::banList(), true, false); }
    void Who_Is_Muted_Click() { listing(channel::listMuted(), true, false); }
    void Users_Click() { listing(channel::users(), true, true); }
    void Admins_Click() { listing(channel::admins(), true, true); }
    void Stats_Click() { listing(channel::stats(), false, true); }
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
    void unmuteAll(bool awaitReply, bool showChat);
    void listing(const QString &line, bool gated, bool awaitReply);
    void stationLink(const QLineEdit *callBox, bool connectIt);

    Form6 &m_form;
    ModerationSteps m_steps;
    QString m_adminPassword;
};

} // namespace gavelry
