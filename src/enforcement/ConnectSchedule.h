#pragma once

#include "WeeklySchedule.h"

#include <QObject>

namespace gavelry {

class Form6;
class ModerationActions;

/// The main window's two "Auto Con/Disc Station" entries: at second 00 of an
/// entry's connect time, on its ticked days, the conference is told to
/// connect the station (".connect CALL"), at its disconnect time to drop it
/// again; entry A before entry B, connect before disconnect. The callsign
/// goes out upper-cased. The schedule does not depend on the admin gate; the
/// same tick keeps the "functions disabled" label in step with the gate.
class ConnectSchedule : public QObject {
    Q_OBJECT
public:
    ConnectSchedule(Form6 &form, ModerationActions &actions);

    /// Every second: the admin label, then what fell due.
    void Timer8_Timer();
    /// Starts the schedule's count (the main window has loaded).
    void begin() { m_schedule.begin(); }

private:
    void act(int entry, schedule::Action action, const QString &call);
    void echo();

    Form6 &m_form;
    ModerationActions &m_actions;
    WeeklySchedule m_schedule;
};

} // namespace gavelry
