#include "enforcement/WeeklySchedule.h"

#include "core/Controls.h"
#include "platform/Scheduler.h"

#include <QCheckBox>
#include <QLineEdit>

#include <algorithm>

namespace gavelry {

namespace schedule {

namespace {

/// Two ASCII digits whose value is at most max.
std::optional<int> twoDigits(const QString &text, int max)
{
    if (text.size() != 2 || !text[0].isDigit() || !text[1].isDigit() || text[0] > u'9' || text[1] > u'9')
        return std::nullopt;
    const int value = (text[0].unicode() - u'0') * 10 + (text[1].unicode() - u'0');
    if (value > max)
        return std::nullopt;
    return value;
}

/// Wall-clock values without a zone, so that arithmetic never shifts them.
QDateTime wallClock(const QDateTime &t) { return QDateTime(t.date(), t.time(), Qt::UTC); }

} // namespace

int weekdayNumber(const QDate &date) { return date.dayOfWeek() % 7 + 1; }

std::optional<QTime> triggerTime(const QString &hour, const QString &minutes, int second)
{
    const std::optional<int> h = twoDigits(hour, 23);
    const std::optional<int> m = twoDigits(minutes, 59);
    if (!h || !m || second < 0 || second > 59)
        return std::nullopt;
    return QTime(*h, *m, second);
}

QList<Due> dueBetween(const QList<Entry> &entries, int second, const QDateTime &after, const QDateTime &upTo)
{
    QList<Due> due;
    if (!after.isValid() || !upTo.isValid())
        return due;
    const QDateTime to = wallClock(upTo);
    QDateTime from = wallClock(after);
    if (to <= from)
        return due;
    if (from.msecsTo(to) > kLongestCatchUpMs)
        from = to.addMSecs(-kLongestCatchUpMs);

    for (int e = 0; e < entries.size(); ++e) {
        const Entry &entry = entries[e];
        const std::optional<QTime> times[2] = {triggerTime(entry.onHour, entry.onMinutes, second),
                                               triggerTime(entry.offHour, entry.offMinutes, second)};
        for (QDate day = from.date(); day <= to.date(); day = day.addDays(1)) {
            if (!entry.days[size_t(weekdayNumber(day) - 1)])
                continue;
            for (int a = 0; a < 2; ++a) {
                if (!times[a])
                    continue;
                const QDateTime at(day, *times[a], Qt::UTC);
                if (at > from && at <= to)
                    due.append({e, a == 0 ? Action::On : Action::Off, at});
            }
        }
    }
    std::stable_sort(due.begin(), due.end(), [](const Due &x, const Due &y) {
        if (x.at != y.at)
            return x.at < y.at;
        if (x.entry != y.entry)
            return x.entry < y.entry;
        return x.action == Action::On && y.action == Action::Off;
    });
    return due;
}

QString describe(const Entry &entry, const QString &call, int second, const QString &onName, const QString &offName)
{
    static const char *names[] = {"Sun", "Mon", "Tue", "Wed", "Thur", "Fri", "Sat"};
    QStringList days;
    for (size_t d = 0; d < 7; ++d)
        if (entry.days[d])
            days.append(QLatin1String(names[d]));
    const QString when = days.size() == 7 ? QStringLiteral("every day")
                         : days.isEmpty() ? QStringLiteral("no day")
                                          : QStringLiteral("on ") + days.join(u' ');
    const auto time = [second](const QString &hour, const QString &minutes) {
        const std::optional<QTime> t = triggerTime(hour, minutes, second);
        return t ? QStringLiteral("at ") + t->toString(QStringLiteral("HH:mm:ss")) : QStringLiteral("never");
    };
    const QString station = call.trimmed().isEmpty() ? QStringLiteral("(no station)") : call.trimmed();
    return QStringLiteral("%1 %2, %3 %4, %5 %6")
        .arg(station, when, onName, time(entry.onHour, entry.onMinutes), offName,
             time(entry.offHour, entry.offMinutes));
}

} // namespace schedule

namespace {
constexpr qint64 kRepeatedHourMs = 3600 * 1000;
} // namespace

WeeklySchedule::EntryControls WeeklySchedule::EntryControls::named(const QWidget &window, const char *call,
                                                                   const char *daySuffix, const char *onHour,
                                                                   const char *onMinutes, const char *offHour,
                                                                   const char *offMinutes)
{
    using controls::child;
    EntryControls c;
    c.call = child<QLineEdit>(window, call);
    int i = 0;
    for (const char *day : {"Sun", "Mon", "Tue", "Wed", "Thur", "Fri", "Sat"})
        c.days[i++] = child<QCheckBox>(window, (QByteArray(day) + daySuffix).constData());
    c.onHour = child<QLineEdit>(window, onHour);
    c.onMinutes = child<QLineEdit>(window, onMinutes);
    c.offHour = child<QLineEdit>(window, offHour);
    c.offMinutes = child<QLineEdit>(window, offMinutes);
    return c;
}

WeeklySchedule::WeeklySchedule(Scheduler &scheduler, QList<EntryControls> entries, int second, Act act,
                               QObject *parent)
    : QObject(parent), m_scheduler(scheduler), m_entries(std::move(entries)), m_second(second), m_act(std::move(act))
{
}

void WeeklySchedule::begin() { m_doneUpTo = schedule::wallClock(m_scheduler.now()); }

void WeeklySchedule::tick()
{
    const QDateTime now = schedule::wallClock(m_scheduler.now());
    if (!m_doneUpTo.isValid()) {
        m_doneUpTo = now;
        return;
    }
    if (now <= m_doneUpTo) {
        // The clock went back. An hour is a daylight-saving change: what was
        // done in the repeated hour is not done twice. Further back, the
        // clock was set right, and the schedule counts from the new time.
        if (m_doneUpTo.msecsTo(now) < -kRepeatedHourMs)
            m_doneUpTo = now;
        return;
    }
    const QList<schedule::Due> due = schedule::dueBetween(read(), m_second, m_doneUpTo, now);
    // Marked done before acting: an action that lets other events run (a
    // message box) must not see the same moment due again.
    m_doneUpTo = now;
    for (const schedule::Due &d : due)
        m_act(d.entry, d.action, m_entries[d.entry].call->text());
}

QStringList WeeklySchedule::lines(const QStringList &labels, const QString &onName, const QString &offName) const
{
    const QList<schedule::Entry> entries = read();
    QStringList out;
    for (int e = 0; e < entries.size(); ++e) {
        const QString call = m_entries[e].call->text();
        const auto &days = entries[e].days;
        if (std::none_of(days.begin(), days.end(), [](bool d) { return d; }))
            continue;
        out.append(labels.value(e) + QStringLiteral(": ") +
                   schedule::describe(entries[e], call, m_second, onName, offName));
    }
    return out;
}

QList<schedule::Entry> WeeklySchedule::read() const
{
    QList<schedule::Entry> entries;
    for (const EntryControls &c : m_entries) {
        schedule::Entry e;
        for (size_t d = 0; d < 7; ++d)
            e.days[d] = c.days[d]->checkState() == Qt::Checked;
        e.onHour = c.onHour->text();
        e.onMinutes = c.onMinutes->text();
        e.offHour = c.offHour->text();
        e.offMinutes = c.offMinutes->text();
        entries.append(e);
    }
    return entries;
}

} // namespace gavelry
