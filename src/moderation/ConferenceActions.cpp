#include "ConferenceActions.h"

#include "AdminGate.h"
#include "CommandChannel.h"
#include "Controls.h"
#include "Form6.h"
#include "Scheduler.h"

namespace gavelry {

namespace {

const QString kLoading = QStringLiteral("LOADING");
// What a scheduled station's box holds until a callsign is entered.

} // namespace

ConferenceActions::ConferenceActions(Form6 &form) : m_form(form), m_steps(form)
{
    Ui::Form6 &ui = m_form.ui;
    auto wire = [this](QPushButton *button, void (ConferenceActions::*handler)()) {
        connect(button, &QPushButton::clicked, this, handler);
    };
    wire(ui.Command42, &ConferenceActions::Command42_Click);
    wire(ui.Unmute_All, &ConferenceActions::Unmute_All_Click);
    wire(ui.Command29, &ConferenceActions::Command29_Click);
    wire(ui.Band_List, &ConferenceActions::Band_List_Click);
    wire(ui.Who_Is_Muted, &ConferenceActions::Who_Is_Muted_Click);
    wire(ui.Users, &ConferenceActions::Users_Click);
    wire(ui.Admins, &ConferenceActions::Admins_Click);
    wire(ui.Stats, &ConferenceActions::Stats_Click);
    wire(ui.Command54, &ConferenceActions::Command54_Click);
    wire(ui.Command9, &ConferenceActions::Command9_Click);
    wire(ui.Command32, &ConferenceActions::Command32_Click);
    wire(ui.Command33, &ConferenceActions::Command33_Click);
    wire(ui.Command49, &ConferenceActions::Command49_Click);
    wire(ui.Command50, &ConferenceActions::Command50_Click);
    wire(ui.Command51, &ConferenceActions::Command51_Click);
    wire(ui.Command52, &ConferenceActions::Command52_Click);
    wire(ui.Command40, &ConferenceActions::Command40_Click);
    wire(ui.Command10, &ConferenceActions::Command10_Click);
    wire(ui.Command8, &ConferenceActions::Command8_Click);
    wireQuickProfiles();
}

void ConferenceActions::wireQuickProfiles()
{
    Ui::Form6 &ui = m_form.ui;
    // Two rows of "1" to "4": the buttons of one profile behave alike.
    const std::array<std::array<QPushButton *, 2>, 4> buttons{{
        {ui.Command17, ui.Command20},
        {ui.Command18, ui.Command21},
        {ui.Command19, ui.Command22},
        {ui.Command5, ui.Command28},
    }};
    for (int i = 0; i < 4; ++i)
        for (QPushButton *b : buttons[static_cast<std::size_t>(i)])
            connect(b, &QPushButton::clicked, this, [this, i] { quickProfile(i); });
}

void ConferenceActions::unmuteAll(bool awaitReply, bool showChat)
{
    m_steps.runGated([&] {
        if (awaitReply)
            m_form.nListWait = ListWait::Operator;
        m_steps.send(channel::unmuteAll());
        if (showChat)
            m_steps.chat();
    });
}

void ConferenceActions::listing(const QString &line, bool gated, bool awaitReply)
{
    auto steps = [&] {
        if (awaitReply)
            m_form.nListWait = ListWait::Operator;
        m_steps.sendThenChat(line);
    };
    if (gated)
        m_steps.runGated(steps);
    else
        m_steps.run(steps);
}

void ConferenceActions::Command54_Click()
{
    m_steps.runGated([&] {
        m_form.nListWait = ListWait::Operator;
        m_steps.sendAndClear(channel::usersWithAttributes());
        m_steps.chat();
    });
}

void ConferenceActions::Command9_Click()
{
    m_steps.runGated([&] {
        const int selected = m_form.selectedProfile();
        if (selected >= 0)
            m_adminPassword = m_form.profiles()[static_cast<std::size_t>(selected)].password->text();
        if (controls::checkValue(m_form.ui.Check4) != 1) {
            m_form.nListWait = ListWait::StationList;
            controls::setCaption(m_form.ui.Frame5, kLoading);
            m_steps.send(channel::users());
            return;
        }
        // The station list follows a second later (Timer7), once the log-on
        // has been answered.
        m_form.nListWait = ListWait::Operator;
        m_steps.sendAndClear(channel::adminLogOn(m_adminPassword));
        m_form.Timer7->setEnabled(true);
    });
}

void ConferenceActions::Command32_Click()
{
    m_steps.run([&] { m_steps.send(channel::lurk()); });
}

void ConferenceActions::Command33_Click()
{
    m_steps.run([&] { m_steps.send(channel::delurk()); });
}

void ConferenceActions::stationLink(const QLineEdit *callBox, bool connectIt)
{
    m_steps.runGated([&] {
        const QString call = callBox->text().toUpper();
        m_steps.send(connectIt ? channel::connect(call) : channel::disconnect(call));
    });
}

void ConferenceActions::Command49_Click() { stationLink(m_form.ui.Station3, true); }
void ConferenceActions::Command50_Click() { stationLink(m_form.ui.Station3, false); }
void ConferenceActions::Command51_Click() { stationLink(m_form.ui.Station4, false); }
void ConferenceActions::Command52_Click() { stationLink(m_form.ui.Station4, true); }

void ConferenceActions::Command40_Click()
{
    m_steps.run([&] { m_form.ResetListing(); });
}

void ConferenceActions::Command10_Click()
{
    m_steps.run([&] {
        m_form.ResetListing();
        AdminGate(m_form).markOverride();
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
        m_form.ConDisc();
    });
}

} // namespace gavelry
