#include "enforcement/ConnectSchedule.h"

#include "core/AdminGate.h"
#include "core/ModerationLog.h"
#include "channel/CommandChannel.h"
#include "core/Controls.h"
#include "platform/EditStyle.h"
#include "core/Errors.h"
#include "core/Form6.h"
#include "moderation/ModerationActions.h"
#include "platform/Scheduler.h"

#include <QLabel>
#include <QLineEdit>

namespace gavelry {

namespace {

const QString kFunctionsDisabled = QStringLiteral("Gavelry Functions Disabled");

/// The boxes take their entry styles from their change handlers, as typed
/// text needs them; setting them once here covers a box nobody changed.
WeeklySchedule::EntryControls styled(const WeeklySchedule::EntryControls &entry)
{
    QLineEdit *call = entry.call;
    EditStyle::setUpperCase(call);
    QObject::connect(call, &QLineEdit::textChanged, call, [call] { EditStyle::setUpperCase(call); });
    for (QLineEdit *box : {entry.onHour, entry.onMinutes, entry.offHour, entry.offMinutes}) {
        EditStyle::setDigitsOnly(box);
        QObject::connect(box, &QLineEdit::textChanged, box, [box] { EditStyle::setDigitsOnly(box); });
    }
    return entry;
}

ConnectScheduleControls controlsOf(const Form6 &w)
{
    using Entry = WeeklySchedule::EntryControls;
    return {
        .A = Entry::named(w, "Station3", "", "Hour", "Mins", "Hour00", "Mins00"),
        .B = Entry::named(w, "Station4", "2", "Hour2", "Mins2", "Hour22", "Mins22"),
        .Label31 = controls::child<QLabel>(w, "Label31"),
    };
}

} // namespace

ConnectSchedule::ConnectSchedule(Form6 &form, const AdminGate &gate, ModerationActions &actions)
    : m_form(form),
      m_gate(gate),
      m_actions(actions),
      m_c(controlsOf(form)),
      m_schedule(form.context().scheduler, {styled(m_c.A), styled(m_c.B)}, 0,
                 [this](int e, schedule::Action a, const QString &call) { act(e, a, call); })
{
    connect(form.Timer8, &Timer::timeout, this, &ConnectSchedule::Timer8_Timer);
}

void ConnectSchedule::Timer8_Timer()
{
    skipOnError(m_form.context(), [&] {
        const QString wanted = m_gate.closed() ? kFunctionsDisabled : QString();
        if (m_c.Label31->text() != wanted)
            m_c.Label31->setText(wanted);
    });
    skipOnError(m_form.context(), [&] { m_schedule.tick(); });
}

QStringList ConnectSchedule::lines() const
{
    return m_schedule.lines({QStringLiteral("Connect A"), QStringLiteral("Connect B")}, QStringLiteral("connect"),
                            QStringLiteral("disconnect"));
}

void ConnectSchedule::act(int index, schedule::Action action, const QString &call)
{
    const QString station = call.toUpper();
    ModerationLog::Cause cause(m_form.context().log,
                               QStringLiteral("connect schedule %1 (%2)")
                                   .arg(index == 0 ? QStringLiteral("A") : QStringLiteral("B"))
                                   .arg(action == schedule::Action::On ? QStringLiteral("connect time")
                                                                       : QStringLiteral("disconnect time")));
    // The box may hold anything a settings file gave it: the command goes
    // out as one line whatever it holds.
    const QString one = channel::oneLine(station);
    if (action == schedule::Action::On) {
        m_actions.connectStation(one, moderation::Gate::Ungated);
        return;
    }
    // A failed disconnect has been reported; the echo runs all the same.
    m_actions.disconnectStation(one, moderation::Chat::Unchanged, moderation::Gate::Ungated);
    skipOnError(m_form.context(), [&] { echo(); });
}

void ConnectSchedule::echo()
{
    // The echo of a send from another window: its line is empty, and what
    // the operator is typing in the chat window stays there.
    if (ChatWindow *chat = m_form.context().windows.messages)
        chat->TXText2(QString());
}

} // namespace gavelry
