#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace gavelry {

class Scheduler;

/// The weekly timetables: a few entries, each naming a station, the days of
/// the week it applies to and two times of day, one that switches something
/// on (connect, ban) and one that switches it off (disconnect, un-ban).
namespace schedule {

/// Sunday = 1 through Saturday = 7.
int weekdayNumber(const QDate &date);

/// The time of day an hour box and a minute box name, at second. Both must
/// read as the 24-hour clock shows them, two digits each ("07", "30");
/// anything else ("24", "7", "99", "") names no time and never comes round.
std::optional<QTime> triggerTime(const QString &hour, const QString &minutes, int second);

/// One entry as its controls read.
struct Entry {
    std::array<bool, 7> days{}; ///< Sunday first
    QString onHour, onMinutes, offHour, offMinutes;
};

enum class Action { On, Off };

struct Due {
    int entry = 0; ///< index in the entries given
    Action action = Action::On;
    QDateTime at;
    bool operator==(const Due &other) const = default;
};

/// The longest stretch of missed time that is made up for: a tick that comes
/// later than this (the machine slept) catches up on the last week only.
inline constexpr qint64 kLongestCatchUpMs = 7LL * 24 * 3600 * 1000;

/// What falls due after `after` and up to and including `upTo`: every
/// second at which an entry's time comes round on one of its days. In the
/// order they fall due; within one second, entries in the order given and
/// On before Off. Both times are local wall-clock times (their zone is not
/// looked at). Nothing is due when upTo is not later than after.
QList<Due> dueBetween(const QList<Entry> &entries, int second, const QDateTime &after, const QDateTime &upTo);

/// An entry as a line for people to read, as
/// "W1ABC on Mon Wed Fri, connect at 07:30:00, disconnect at 08:00:00":
/// onName and offName name its two actions, second the second of the
/// minute they run at; a time its boxes do not name reads "never" in place
/// of "at HH:MM:SS".
QString describe(const Entry &entry, const QString &call, int second, const QString &onName, const QString &offName);

} // namespace schedule

/// A weekly timetable on a window's controls, driven by a one-second timer.
/// Each tick carries out what fell due since the previous one, so a tick
/// that comes late still does what it skipped, once; times that passed
/// before begin() are never made up for.
class WeeklySchedule : public QObject {
    Q_OBJECT
public:
    struct EntryControls {
        QLineEdit *call = nullptr;
        std::array<QCheckBox *, 7> days{}; ///< Sunday first
        QLineEdit *onHour = nullptr;
        QLineEdit *onMinutes = nullptr;
        QLineEdit *offHour = nullptr;
        QLineEdit *offMinutes = nullptr;

        /// The entry's controls of window by their names: the callsign box,
        /// the day boxes Sun, Mon, Tue, Wed, Thur, Fri and Sat, each name
        /// followed by daySuffix, and the four time boxes.
        static EntryControls named(const QWidget &window, const char *call, const char *daySuffix, const char *onHour,
                                   const char *onMinutes, const char *offHour, const char *offMinutes);
    };
    /// Carries out one action of an entry for the callsign box's text.
    using Act = std::function<void(int entry, schedule::Action action, const QString &call)>;

    /// entries in the order they are handled within one second; actions at
    /// `second` of the set minute.
    WeeklySchedule(Scheduler &scheduler, QList<EntryControls> entries, int second, Act act,
                   QObject *parent = nullptr);

    /// Counts from now on.
    void begin();
    /// Carries out everything due since the previous tick (or begin()).
    void tick();
    /// The entries as their controls read now, one line each (see
    /// schedule::describe), each after its label; an entry without a day
    /// ticked never runs and is left out.
    QStringList lines(const QStringList &labels, const QString &onName, const QString &offName) const;

private:
    QList<schedule::Entry> read() const;

    Scheduler &m_scheduler;
    QList<EntryControls> m_entries;
    int m_second;
    Act m_act;
    /// The moment up to which everything due has been carried out.
    QDateTime m_doneUpTo;
};

} // namespace gavelry
