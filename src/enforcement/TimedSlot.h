#pragma once

#include "enforcement/SlotState.h"
#include "moderation/ModerationActions.h"

#include <QObject>
#include <QString>

#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace gavelry {

class Form321;
class ModerationActions;
class Timer;

/// One timed slot of the timed ban window: a station whose mute (un-mute
/// slots) or ban (un-ban slots) is lifted when the slot's count runs out.
/// The slot's state is its controls: the callsign box, the use box (set
/// while counting), the duration box (minutes) and the seconds label (the
/// count). Idle: use box clear, the full duration showing. Counting: use box
/// set. Stopped half-way: use box cleared by hand, the count kept; setting
/// it again goes on from there.
///
/// A count that is started is due at a moment of the wall clock. The count
/// goes down a second a tick; when the clock says otherwise by more than a
/// second (it was set, by hand or by a time server, or ticks were lost
/// while the computer slept), the count follows the clock, so a release is
/// never held back or brought forward by the whole of a clock's error.
///
/// A release needs a link to go out on: a count that runs out while no
/// conference is linked stays due (showing 0) and the release goes out on
/// the first tick with a link up. A duration of 0 minutes (an emptied box)
/// holds the station: the count stands and nothing is released until a
/// duration is typed or the release button is pressed.
class TimedSlot : public QObject {
    Q_OBJECT
public:
    struct Controls {
        QLineEdit *call;
        QCheckBox *use;
        QLineEdit *duration;
        QLabel *seconds;
        QPushButton *release;
        Timer *timer;
    };

    /// number 1-5 (1-3 un-mute, 4-5 un-ban). twoBlankPlainNotice: the
    /// unstamped notice of this slot has two blanks before its text.
    TimedSlot(Form321 &form, ModerationActions &actions, int number, Controls controls,
              bool twoBlankPlainNotice = false);

    int number() const { return m_number; }
    SlotKind kind() const { return m_kind; }
    bool counting() const;

    /// The slot's timer: one second of the count; the release when it runs out.
    void Timer_Timer();
    /// "Un-Mute Now" / "Un-ban Now": the release at once.
    void Command_Click();
    /// The duration box changed: the count starts again from the new duration.
    void BeaconPeriod_Change();

    /// The slot as it is kept over a restart; none while it does not count.
    std::optional<SlotRecord> record() const;
    /// Takes up a slot kept from before a restart: counting on towards its
    /// due time, released at once when that has passed.
    void restore(const SlotRecord &record);


signals:
    /// The slot started, stopped, ran out, or its station or due time changed.
    void changed();

private:
    bool held() const;
    /// The duration in seconds; none when the box holds no number of minutes.
    std::optional<qint64> fullSeconds() const;
    void setSeconds(qint64 seconds);
    /// The count shown, in seconds; 0 when the label holds no number.
    qint64 secondsShown() const;
    /// The count starts (again) from what it shows: due that many seconds from now.
    void dueFromCount();
    void release();
    void backToIdle();
    /// Lifts call's mute or ban with the slot's notice.
    moderation::Outcome lift(const QString &call, moderation::Chat chat);
    void reportDueOnce(const QString &call);
    QString slotName() const;
    QString releaseWord() const;

    Form321 &m_form;
    int m_number;
    SlotKind m_kind;
    Controls m_c;
    ModerationActions &m_actions;
    bool m_twoBlankPlainNotice;
    /// The operator has been told once that this slot waits for a link.
    bool m_toldWaiting = false;
    /// When the count runs out (UTC); none while the slot does not count
    /// or is held.
    std::optional<QDateTime> m_due;
};

} // namespace gavelry
