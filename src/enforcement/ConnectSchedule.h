#pragma once

#include "enforcement/WeeklySchedule.h"

#include <QObject>

class QLabel;

namespace gavelry {

class AdminGate;
class Form6;
class ModerationActions;

/// The main window's "Auto Con/Disc Station" controls.
struct ConnectScheduleControls {
    /// Entry A: Station3, days Sun .. Sat, connect at Hour:Mins, disconnect at Hour00:Mins00.
    WeeklySchedule::EntryControls A;
    /// Entry B: Station4, days Sun2 .. Sat2, connect at Hour2:Mins2, disconnect at Hour22:Mins22.
    WeeklySchedule::EntryControls B;
    /// Says that the program's functions are disabled while the admin gate is closed.
    QLabel *Label31;
};

/// The main window's two "Auto Con/Disc Station" entries: at second 00 of an
/// entry's connect time, on its ticked days, the conference is told to
/// connect the station (".connect CALL"), at its disconnect time to drop it
/// again; entry A before entry B, connect before disconnect. The callsign
/// goes out upper-cased. The schedule does not depend on the admin gate; the
/// same tick keeps the "functions disabled" label in step with the gate.
class ConnectSchedule : public QObject {
    Q_OBJECT
public:
    ConnectSchedule(Form6 &form, const AdminGate &gate, ModerationActions &actions);

    /// Every second: the admin label, then what fell due.
    void Timer8_Timer();
    /// Starts the schedule's count (the main window has loaded).
    void begin() { m_schedule.begin(); }
    /// The entries that are set, as "Connect A: W1ABC on Mon, connect at ..." lines.
    QStringList lines() const;

private:
    void act(int entry, schedule::Action action, const QString &call);
    void echo();

    Form6 &m_form;
    const AdminGate &m_gate;
    ModerationActions &m_actions;
    const ConnectScheduleControls m_c;
    WeeklySchedule m_schedule;
};

} // namespace gavelry
