#pragma once

#include "enforcement/WeeklySchedule.h"

#include <QObject>

class QLabel;

namespace gavelry {

class Form321;

/// The timed ban window's "Auto Ban" controls.
struct AutoBanControls {
    /// "Auto Ban 2": Text2, days Sun2 .. Sat2, ban at Hour2:Mins2, un-ban at Hour22:Mins22.
    WeeklySchedule::EntryControls ban2;
    /// "Auto Ban 1": Text1, days Sun .. Sat, ban at Hour:Mins, un-ban at Hour00:Mins00.
    WeeklySchedule::EntryControls ban1;
    /// The window's clock.
    QLabel *ShowTime;
};

/// The timed ban window's weekly auto-ban: at second 30 of an entry's ban
/// time, on its ticked days, the station is disconnected and banned; at its
/// un-ban time the ban is lifted. Entry 2 is handled before entry 1. The
/// commands go straight to the conference as commands, whatever the chat
/// window's time-stamp option, and never through the chat compose box. The
/// same tick keeps the window's clock label.
class AutoBanSchedule : public QObject {
    Q_OBJECT
public:
    explicit AutoBanSchedule(Form321 &form);

    /// Every second: the clock, then what fell due.
    void Timer2_Timer();
    /// Starts the schedule's count (the window has loaded).
    void begin() { m_schedule.begin(); }

private:
    void act(int entry, schedule::Action action, const QString &call);
    void send(const QString &line);

    Form321 &m_form;
    const AutoBanControls m_c;
    WeeklySchedule m_schedule;
};

} // namespace gavelry
