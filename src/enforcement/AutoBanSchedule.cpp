#include "AutoBanSchedule.h"

#include "ModerationLog.h"
#include "CommandChannel.h"
#include "EditStyle.h"
#include "Errors.h"
#include "Form321.h"
#include "Scheduler.h"

namespace gavelry {

namespace {

WeeklySchedule::EntryControls entry(QLineEdit *call, std::array<QCheckBox *, 7> days, QLineEdit *onHour,
                                    QLineEdit *onMinutes, QLineEdit *offHour, QLineEdit *offMinutes)
{
    for (QLineEdit *box : {onHour, onMinutes, offHour, offMinutes})
        EditStyle::setDigitsOnly(box);
    return {call, days, onHour, onMinutes, offHour, offMinutes};
}

} // namespace

AutoBanSchedule::AutoBanSchedule(Form321 &form)
    : m_form(form),
      m_schedule(form.context().scheduler,
                 {entry(form.ui.Text2, {form.ui.Sun2, form.ui.Mon2, form.ui.Tue2, form.ui.Wed2, form.ui.Thur2,
                                        form.ui.Fri2, form.ui.Sat2},
                        form.ui.Hour2, form.ui.Mins2, form.ui.Hour22, form.ui.Mins22),
                  entry(form.ui.Text1, {form.ui.Sun, form.ui.Mon, form.ui.Tue, form.ui.Wed, form.ui.Thur, form.ui.Fri,
                                        form.ui.Sat},
                        form.ui.Hour, form.ui.Mins, form.ui.Hour00, form.ui.Mins00)},
                 30, [this](int e, schedule::Action a, const QString &call) { act(e, a, call); })
{
    connect(form.Timer2, &Timer::timeout, this, &AutoBanSchedule::Timer2_Timer);
}

void AutoBanSchedule::Timer2_Timer()
{
    skipOnError(m_form.context(), [&] { m_form.ui.ShowTime->setText(m_form.context().scheduler.timeOfDay()); });
    skipOnError(m_form.context(), [&] { m_schedule.tick(); });
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
    if (action == schedule::Action::On) {
        send(channel::disconnect(call));
        send(channel::banAdd(call));
    } else {
        send(channel::banDelete(call));
    }
}

void AutoBanSchedule::send(const QString &line)
{
    skipOnError(m_form.context(), [&] { m_form.sendLine(line); });
}

} // namespace gavelry
