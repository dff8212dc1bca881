#include "moderation/TalkerActions.h"

#include "channel/CommandChannel.h"
#include "core/Controls.h"
#include "core/Form6.h"
#include "moderation/ModerationActions.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace gavelry {

using namespace moderation;

TalkerActions::TalkerActions(Form6 &form, ModerationActions &actions)
    : m_c{controls::child<QPushButton>(form, "Mute"),
          controls::child<QPushButton>(form, "Command1"),
          controls::child<QPushButton>(form, "Command41"),
          controls::child<QPushButton>(form, "Command55"),
          controls::child<QPushButton>(form, "Command57"),
          controls::child<QPushButton>(form, "Command56"),
          controls::child<QLineEdit>(form, "Text37"),
          controls::child<QCheckBox>(form, "Check5")},
      m_actions(actions)
{
    connect(m_c.Mute, &QPushButton::clicked, this, &TalkerActions::Mute_Click);
    connect(m_c.Command1, &QPushButton::clicked, this, &TalkerActions::Command1_Click);
    connect(m_c.Command41, &QPushButton::clicked, this, &TalkerActions::Command41_Click);
    connect(m_c.Command55, &QPushButton::clicked, this, &TalkerActions::Command55_Click);
    connect(m_c.Command57, &QPushButton::clicked, this, &TalkerActions::Command57_Click);
    connect(m_c.Command56, &QPushButton::clicked, this, &TalkerActions::Command56_Click);
}

QString TalkerActions::lastTalker() const { return channel::oneLine(m_c.Text37->text()); }

void TalkerActions::Mute_Click()
{
    m_actions.mute(ModerationActions::kTalking, Notice::None, Span::Untimed, Chat::Shown, Gate::Consult);
}

void TalkerActions::Command1_Click()
{
    m_actions.mute(ModerationActions::kTalking, Notice::Quoted, Span::Persistent, Chat::Unchanged, Gate::Consult);
}

void TalkerActions::Command41_Click()
{
    // Before anyone has talked the box still holds its initial text, which
    // goes out as it stands.
    const QString call = lastTalker();
    if (controls::checkValue(m_c.Check5) != 1) {
        m_actions.mute(call, Notice::None, Span::Untimed, Chat::Shown, Gate::Consult);
        return;
    }
    // A timed mute needs a station; an emptied box (nobody talked since the
    // last idle clean-up) sends nothing and takes no slot.
    if (call.isEmpty()) {
        if (m_actions.gateAllows())
            m_actions.noStation();
        return;
    }
    m_actions.mute(call, Notice::Quoted, Span::Timed, Chat::Shown, Gate::Consult);
}

void TalkerActions::disconnectTalking()
{
    m_actions.disconnectStation(ModerationActions::kTalking, Chat::Shown, Gate::Consult);
}

void TalkerActions::Command56_Click()
{
    m_actions.disconnectStation(lastTalker(), Chat::Shown, Gate::Consult);
}

} // namespace gavelry
