#include "ConnectSchedule.h"

#include "ModerationLog.h"
#include "CommandChannel.h"
#include "EditStyle.h"
#include "Errors.h"
#include "Form6.h"
#include "ModerationActions.h"
#include "Scheduler.h"

#include <QLineEdit>

namespace gavelry {

namespace {

const QString kFunctionsDisabled = QStringLiteral("Gavelry Functions Disabled");

/// The boxes take their entry styles from their change handlers, as typed
/// text needs them; setting them once here covers a box nobody changed.
WeeklySchedule::EntryControls entry(QLineEdit *call, std::array<QCheckBox *, 7> days, QLineEdit *onHour,
                                    QLineEdit *onMinutes, QLineEdit *offHour, QLineEdit *offMinutes)
{
    EditStyle::setUpperCase(call);
    QObject::connect(call, &QLineEdit::textChanged, call, [call] { EditStyle::setUpperCase(call); });
    for (QLineEdit *box : {onHour, onMinutes, offHour, offMinutes}) {
        EditStyle::setDigitsOnly(box);
        QObject::connect(box, &QLineEdit::textChanged, box, [box] { EditStyle::setDigitsOnly(box); });
    }
    return {call, days, onHour, onMinutes, offHour, offMinutes};
}

} // namespace

ConnectSchedule::ConnectSchedule(Form6 &form, ModerationActions &actions)
    : m_form(form),
      m_actions(actions),
      m_schedule(form.context().scheduler,
                 {entry(form.ui.Station3, {form.ui.Sun, form.ui.Mon, form.ui.Tue, form.ui.Wed, form.ui.Thur,
                                           form.ui.Fri, form.ui.Sat},
                        form.ui.Hour, form.ui.Mins, form.ui.Hour00, form.ui.Mins00),
                  entry(form.ui.Station4, {form.ui.Sun2, form.ui.Mon2, form.ui.Tue2, form.ui.Wed2, form.ui.Thur2,
                                           form.ui.Fri2, form.ui.Sat2},
                        form.ui.Hour2, form.ui.Mins2, form.ui.Hour22, form.ui.Mins22)},
                 0, [this](int e, schedule::Action a, const QString &call) { act(e, a, call); })
{
    connect(form.Timer8, &Timer::timeout, this, &ConnectSchedule::Timer8_Timer);
}

void ConnectSchedule::Timer8_Timer()
{
    skipOnError(m_form.context(), [&] {
        const QString wanted = m_form.adminDisabled() ? kFunctionsDisabled : QString();
        if (m_form.ui.Label31->text() != wanted)
            m_form.ui.Label31->setText(wanted);
    });
    skipOnError(m_form.context(), [&] { m_schedule.tick(); });
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
