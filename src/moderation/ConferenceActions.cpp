#include "moderation/ConferenceActions.h"

#include "core/AdminGate.h"
#include "channel/CommandChannel.h"
#include "core/ConferenceProfiles.h"
#include "core/Controls.h"
#include "core/Form6.h"
#include "moderation/ModerationActions.h"
#include "platform/Scheduler.h"
#include "core/StationTracking.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace gavelry {

using namespace moderation;

namespace {

/// The station list's frame while the list is on its way.
const QString kLoading = QStringLiteral("LOADING");

QPushButton *button(const Form6 &form, const char *name) { return controls::child<QPushButton>(form, name); }

} // namespace

ConferenceActions::ConferenceActions(Form6 &form, ModerationActions &actions, AdminGate &gate,
                                     ConferenceProfiles &profiles, StationTracking &tracking)
    : m_c{button(form, "Command42"), button(form, "Unmute_All"), button(form, "Command29"),
          button(form, "Band_List"), button(form, "Who_Is_Muted"), button(form, "Users"),
          button(form, "Admins"), button(form, "Stats"), button(form, "Command54"),
          button(form, "Command9"), button(form, "Command32"), button(form, "Command33"),
          button(form, "Command49"), button(form, "Command50"), button(form, "Command51"),
          button(form, "Command52"), button(form, "Command40"), button(form, "Command10"),
          button(form, "Command8"),
          // Two rows of "1" to "4": the buttons of one profile behave alike.
          {{{button(form, "Command17"), button(form, "Command20")},
            {button(form, "Command18"), button(form, "Command21")},
            {button(form, "Command19"), button(form, "Command22")},
            {button(form, "Command5"), button(form, "Command28")}}},
          controls::child<QCheckBox>(form, "Check4"),
          controls::child<QGroupBox>(form, "Frame5"),
          controls::child<QLineEdit>(form, "Station3"),
          controls::child<QLineEdit>(form, "Station4")},
      m_form(form),
      m_actions(actions),
      m_gate(gate),
      m_profiles(profiles),
      m_tracking(tracking),
      m_steps(form)
{
    auto wire = [this](QPushButton *b, void (ConferenceActions::*handler)()) {
        connect(b, &QPushButton::clicked, this, handler);
    };
    wire(m_c.Command42, &ConferenceActions::Command42_Click);
    wire(m_c.Unmute_All, &ConferenceActions::Unmute_All_Click);
    wire(m_c.Command29, &ConferenceActions::Command29_Click);
    wire(m_c.Band_List, &ConferenceActions::Band_List_Click);
    wire(m_c.Who_Is_Muted, &ConferenceActions::Who_Is_Muted_Click);
    wire(m_c.Users, &ConferenceActions::Users_Click);
    wire(m_c.Admins, &ConferenceActions::Admins_Click);
    wire(m_c.Stats, &ConferenceActions::Stats_Click);
    wire(m_c.Command54, &ConferenceActions::Command54_Click);
    wire(m_c.Command9, &ConferenceActions::Command9_Click);
    wire(m_c.Command32, &ConferenceActions::Command32_Click);
    wire(m_c.Command33, &ConferenceActions::Command33_Click);
    wire(m_c.Command49, &ConferenceActions::Command49_Click);
    wire(m_c.Command50, &ConferenceActions::Command50_Click);
    wire(m_c.Command51, &ConferenceActions::Command51_Click);
    wire(m_c.Command52, &ConferenceActions::Command52_Click);
    wire(m_c.Command40, &ConferenceActions::Command40_Click);
    wire(m_c.Command10, &ConferenceActions::Command10_Click);
    wire(m_c.Command8, &ConferenceActions::Command8_Click);
    wireQuickProfiles();
}

void ConferenceActions::wireQuickProfiles()
{
    for (int i = 0; i < 4; ++i)
        for (QPushButton *b : m_c.quickProfile[static_cast<std::size_t>(i)])
            connect(b, &QPushButton::clicked, this, [this, i] { quickProfile(i); });
}

void ConferenceActions::Command42_Click() { m_actions.unmuteAll(Chat::Shown, Gate::Consult); }
void ConferenceActions::Unmute_All_Click() { m_actions.unmuteAll(Chat::AwaitsReply, Gate::Consult); }
void ConferenceActions::Command29_Click() { m_actions.unmuteAll(Chat::Unchanged, Gate::Consult); }

void ConferenceActions::Band_List_Click() { m_actions.listing(Listing::Banned, Gate::Consult); }
void ConferenceActions::Who_Is_Muted_Click() { m_actions.listing(Listing::Muted, Gate::Consult); }
void ConferenceActions::Users_Click() { m_actions.listing(Listing::Users, Gate::Consult); }
void ConferenceActions::Admins_Click() { m_actions.listing(Listing::Admins, Gate::Consult); }
void ConferenceActions::Stats_Click() { m_actions.listing(Listing::Stats, Gate::Ungated); }
void ConferenceActions::Command54_Click() { m_actions.listing(Listing::Attributes, Gate::Consult); }

void ConferenceActions::Command9_Click()
{
    m_steps.run([&] {
        if (!m_actions.gateAllows())
            return;
        const int selected = m_form.selectedProfile();
        if (selected >= 0)
            m_adminPassword = m_form.profiles()[static_cast<std::size_t>(selected)].password->text();
        if (controls::checkValue(m_c.Check4) != 1) {
            m_form.nListWait = ListWait::StationList;
            controls::setCaption(m_c.Frame5, kLoading);
            m_steps.send(channel::users());
            return;
        }
        // The station list follows a second later (Timer7), once the log-on
        // has been answered.
        m_form.nListWait = ListWait::Operator;
        m_steps.send(channel::adminLogOn(m_adminPassword));
        m_steps.clear();
        m_form.Timer7->setEnabled(true);
    });
}

void ConferenceActions::Command32_Click() { m_actions.lurk(true); }
void ConferenceActions::Command33_Click() { m_actions.lurk(false); }

void ConferenceActions::stationLink(const QLineEdit *callBox, bool connectIt)
{
    const QString call = callBox->text().toUpper();
    if (connectIt)
        m_actions.connectStation(call, Gate::Consult);
    else
        m_actions.disconnectStation(call, Chat::Unchanged, Gate::Consult);
}

void ConferenceActions::Command49_Click() { stationLink(m_c.Station3, true); }
void ConferenceActions::Command50_Click() { stationLink(m_c.Station3, false); }
void ConferenceActions::Command51_Click() { stationLink(m_c.Station4, false); }
void ConferenceActions::Command52_Click() { stationLink(m_c.Station4, true); }

void ConferenceActions::Command40_Click()
{
    m_steps.run([&] { m_tracking.ResetListing(); });
}

void ConferenceActions::Command10_Click()
{
    m_steps.run([&] {
        m_tracking.ResetListing();
        m_gate.markOverride();
    });
}

void ConferenceActions::Command8_Click()
{
    m_steps.run([&] {
        if (WebLinksWindow *w = m_form.context().windows.form99)
            w->showWindow();
    });
}

void ConferenceActions::quickProfile(int index)
{
    m_steps.run([&] {
        m_form.selectProfile(index);
        m_profiles.ConDisc();
    });
}

} // namespace gavelry
