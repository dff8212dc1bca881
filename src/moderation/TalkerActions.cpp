#include "TalkerActions.h"

#include "CommandChannel.h"
#include "Controls.h"
#include "Form6.h"

namespace gavelry {

using channel::Marker;

const QString TalkerActions::kNoLastTalker = QStringLiteral("The Last Station to Talk Shown Here");

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

std::optional<QString> TalkerActions::lastTalker(const QString &what) const
{
    const QString call = m_form.ui.Text37->text();
    if (call == kNoLastTalker) {
        m_steps.tell(what, QStringLiteral("No station has talked yet, so there is no last station to talk; nothing was sent."));
        return std::nullopt;
    }
    return call;
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
        m_steps.send(m_steps.quotedNotice(Marker::Mute, m_form.ui.Text1->text(),
                                          channel::notice::kTimeMutedContactAdmin));
        m_steps.echo();
        m_steps.clear();
    });
}

void TalkerActions::Command41_Click()
{
    m_steps.runGated([&] {
        const std::optional<QString> last = lastTalker(QStringLiteral("Mute Last Talking Station"));
        if (!last)
            return;
        const QString &call = *last;
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
        const std::optional<QString> last = lastTalker(QStringLiteral("Disconnect Last Talking Station"));
        if (!last)
            return;
        m_steps.sendThenChat(channel::disconnect(*last));
    });
}

} // namespace gavelry
