#pragma once

#include "enforcement/WeeklySchedule.h"

#include <QObject>

class QLabel;

namespace gavelry {

class Form321;
class ModerationActions;

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
/// commands go to the conference without a notice, ungated; each is tried
/// on its own, so a ban still goes when its disconnect could not. The
/// same tick keeps the window's clock label.
class AutoBanSchedule : public QObject {
    Q_OBJECT
public:
    AutoBanSchedule(Form321 &form, ModerationActions &actions);

    /// Every second: the clock, then what fell due.
    void Timer2_Timer();
    /// Starts the schedule's count (the window has loaded).
    void begin() { m_schedule.begin(); }
    /// The entries that are set, "Auto Ban 1" first, as
    /// "Auto Ban 1: W1ABC on Mon, ban at ..." lines.
    QStringList lines() const;

private:
    void act(int entry, schedule::Action action, const QString &call);

    Form321 &m_form;
    ModerationActions &m_actions;
    const AutoBanControls m_c;
    WeeklySchedule m_schedule;
};

} // namespace gavelry
