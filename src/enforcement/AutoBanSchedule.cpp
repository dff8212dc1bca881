#include "enforcement/AutoBanSchedule.h"

#include "core/ModerationLog.h"
#include "channel/CommandChannel.h"
#include "core/Controls.h"
#include "platform/EditStyle.h"
#include "core/Errors.h"
#include "enforcement/Form321.h"
#include "moderation/ModerationActions.h"
#include "platform/Scheduler.h"

#include <algorithm>

#include <QLabel>

namespace gavelry {

namespace {

WeeklySchedule::EntryControls digitsOnlyTimes(const WeeklySchedule::EntryControls &entry)
{
    for (QLineEdit *box : {entry.onHour, entry.onMinutes, entry.offHour, entry.offMinutes})
        EditStyle::setDigitsOnly(box);
    return entry;
}

AutoBanControls controlsOf(const Form321 &w)
{
    using Entry = WeeklySchedule::EntryControls;
    return {
        .ban2 = Entry::named(w, "Text2", "2", "Hour2", "Mins2", "Hour22", "Mins22"),
        .ban1 = Entry::named(w, "Text1", "", "Hour", "Mins", "Hour00", "Mins00"),
        .ShowTime = controls::child<QLabel>(w, "ShowTime"),
    };
}

} // namespace

AutoBanSchedule::AutoBanSchedule(Form321 &form, ModerationActions &actions)
    : m_form(form),
      m_actions(actions),
      m_c(controlsOf(form)),
      m_schedule(form.context().scheduler, {digitsOnlyTimes(m_c.ban2), digitsOnlyTimes(m_c.ban1)}, 30,
                 [this](int e, schedule::Action a, const QString &call) { act(e, a, call); })
{
    connect(form.Timer2, &Timer::timeout, this, &AutoBanSchedule::Timer2_Timer);
}

void AutoBanSchedule::Timer2_Timer()
{
    skipOnError(m_form.context(), [&] { m_c.ShowTime->setText(m_form.context().scheduler.timeOfDay()); });
    skipOnError(m_form.context(), [&] { m_schedule.tick(); });
}

QStringList AutoBanSchedule::lines() const
{
    // Kept in the order they run, entry 2 first; read in the window's order.
    QStringList out = m_schedule.lines({QStringLiteral("Auto Ban 2"), QStringLiteral("Auto Ban 1")},
                                       QStringLiteral("ban"), QStringLiteral("un-ban"));
    std::reverse(out.begin(), out.end());
    return out;
}

void AutoBanSchedule::act(int index, schedule::Action action, const QString &call)
{
    // An entry without a station does nothing.
    if (call.isEmpty())
        return;
    // The entries are kept in the order they run: "Auto Ban 2" first.
    ModerationLog::Cause cause(m_form.context().log, QStringLiteral("weekly Auto Ban %1 (%2)")
                                                          .arg(index == 0 ? 2 : 1)
                                                          .arg(action == schedule::Action::On ? QStringLiteral("ban time")
                                                                                              : QStringLiteral("un-ban time")));
    using namespace moderation;
    if (action == schedule::Action::On) {
        m_actions.disconnectStation(call, Chat::Unchanged, Gate::Ungated);
        m_actions.banStation(call, Gate::Ungated);
    } else {
        m_actions.unban(call, Notice::None, Chat::Unchanged, Gate::Ungated);
    }
}

} // namespace gavelry
