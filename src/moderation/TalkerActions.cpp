#include "TalkerActions.h"

#include "CommandChannel.h"
#include "Controls.h"
#include "Form6.h"

namespace gavelry {

using channel::Marker;

namespace {

/// The talker boxes hold what the station information named: text from the
/// network, kept to one line in every command and notice built from it.
QString talkerBox(const QLineEdit *box) { return channel::oneLine(box->text()); }

} // namespace

TalkerActions::TalkerActions(Form6 &form) : m_form(form), m_steps(form)
{
    Ui::Form6 &ui = m_form.ui;
    connect(ui.Mute, &QPushButton::clicked, this, &TalkerActions::Mute_Click);
    connect(ui.Command1, &QPushButton::clicked, this, &TalkerActions::Command1_Click);
    connect(ui.Command41, &QPushButton::clicked, this, &TalkerActions::Command41_Click);
    connect(ui.Command55, &QPushButton::clicked, this, &TalkerActions::Command55_Click);
    connect(ui.Command57, &QPushButton::clicked, this, &TalkerActions::Command57_Click);
    connect(ui.Command56, &QPushButton::clicked, this, &TalkerActions::Command56_Click);
}

void TalkerActions::Mute_Click()
{
    m_steps.runGated([&] {
        m_steps.sendThenChat(channel::muteTalking());
    });
}

void TalkerActions::Command1_Click()
{
    m_steps.runGated([&] {
        m_steps.send(channel::muteTalkingPersistent());
        m_steps.send(m_steps.quotedNotice(Marker::Mute, talkerBox(m_form.ui.Text1),
                                          channel::notice::kTimeMutedContactAdmin));
        m_steps.echo();
        m_steps.clear();
    });
}

void TalkerActions::Command41_Click()
{
    m_steps.runGated([&] {
        // Before anyone has talked the box still holds its initial text,
        // which goes out as it stands.
        const QString call = talkerBox(m_form.ui.Text37);
        if (controls::checkValue(m_form.ui.Check5) != 1) {
            m_steps.sendThenChat(channel::mute(call));
            return;
        }
        if (call.isEmpty()) {
            m_steps.clear();
            return;
        }
        m_steps.send(channel::mute(call));
        m_steps.echo();
        m_steps.chat();
        m_steps.send(m_steps.quotedNotice(Marker::Mute, call, channel::notice::kTimeMutedReconnect));
        m_steps.echo();
        m_steps.clear();
        m_steps.chat();
        m_steps.timedMuteHandOver(call);
        m_steps.timedWindow();
    });
}

void TalkerActions::disconnectTalking()
{
    m_steps.runGated([&] {
        m_steps.sendThenChat(channel::disconnectTalking());
    });
}

void TalkerActions::Command56_Click()
{
    m_steps.runGated([&] {
        m_steps.sendThenChat(channel::disconnect(talkerBox(m_form.ui.Text37)));
    });
}

} // namespace gavelry
