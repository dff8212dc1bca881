#pragma once

#include <QDateTime>
#include <QObject>
#include <functional>

namespace gavelry {

/// A periodic timer with the semantics of a form timer: it fires every
/// interval milliseconds while enabled; enabling it (or changing the interval)
/// starts a fresh period.
class Timer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void setInterval(int milliseconds);
    int interval() const { return m_interval; }
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    /// A dormant timer stays enabled with its interval, but its ticks are
    /// not delivered: for a job that knows its next run cannot change
    /// anything until something wakes it. On real time the process then
    /// stops waking up for it; on virtual time its ticks keep their times.
    void setDormant(bool dormant);
    bool isDormant() const { return m_dormant; }

signals:
    void timeout();

protected:
    /// Called whenever enabled/interval changed: (re)arm or disarm.
    virtual void rearm() = 0;
    bool running() const { return m_enabled && m_interval > 0; }
    /// Called when the timer fell dormant or woke up.
    virtual void dormancyChanged() {}

private:
    int m_interval = 0;
    bool m_enabled = false;
    bool m_dormant = false;
};

/// The only source of "now" and of timers in the program. Two drivers exist:
/// real time (QTimer based) and virtual time (a simulated clock that jumps from
/// one due event to the next).
class Scheduler : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// Local date and time now. Read its date and time of day, never its
    /// zone: virtual time gives the local values marked as UTC.
    virtual QDateTime now() const = 0;
    /// The moment now, in UTC: what a due time that must hold across a
    /// restart or a change of daylight-saving time is counted in.
    virtual QDateTime utcNow() const = 0;
    /// Milliseconds since the scheduler was created.
    virtual qint64 elapsedMs() const = 0;
    /// A new, disabled timer owned by parent.
    virtual Timer *createTimer(QObject *parent) = 0;
    /// Runs fn once after delay milliseconds, unless context is destroyed first.
    virtual void callAfter(int delayMs, QObject *context, std::function<void()> fn) = 0;
    virtual bool isVirtual() const = 0;
    /// Stops every timer and deferred call for good: the program is ending.
    void halt()
    {
        m_halted = true;
        onHalt();
    }
    bool halted() const { return m_halted; }

    /// "HH:MM", two digits each, 24-hour.
    QString hhmm() const
    {
        const QTime t = now().time();
        return twoDigits(t.hour()) + u':' + twoDigits(t.minute());
    }
    /// The clock as the windows show it ("HH:MM:SS", 24-hour whatever the locale).
    QString timeOfDay() const
    {
        const QTime t = now().time();
        return twoDigits(t.hour()) + u':' + twoDigits(t.minute()) + u':' + twoDigits(t.second());
    }
    /// Day of the week, Sunday = 1 through Saturday = 7.
    int weekday() const { return now().date().dayOfWeek() % 7 + 1; }

protected:
    virtual void onHalt() {}

private:
    // Several timers ask for the time every tick; formatting by hand skips
    // QDateTime's pattern parser.
    static QString twoDigits(int n)
    {
        const QChar digits[2] = {QChar(u'0' + n / 10), QChar(u'0' + n % 10)};
        return QString(digits, 2);
    }

    bool m_halted = false;
};

} // namespace gavelry
