#pragma once

#include "platform/Scheduler.h"

#include <QPointer>
#include <map>
#include <utility>

namespace gavelry {

class VirtualTimer;

/// Virtual-time driver. Time stands still until the owner advances it; then
/// every timer tick and deferred call that falls due runs in order of its due
/// time (ties in the order they were scheduled), with the clock set to that
/// moment. A day of ticks runs as fast as the handlers allow, and every run is
/// deterministic.
///
/// Virtual time is wall-clock time without a time zone: it starts at the
/// date and time given (whatever zone they came in) and counts on from there
/// in plain milliseconds. now() carries those local values marked as UTC,
/// so asking for the time costs no zone conversion and the clock never jumps
/// at a daylight-saving change (01:59:59 is followed by 02:00:00).
class VirtualScheduler : public Scheduler {
    Q_OBJECT
public:
    explicit VirtualScheduler(const QDateTime &start, QObject *parent = nullptr);
    ~VirtualScheduler() override;

    QDateTime now() const override;
    /// The start read as a moment (a start without a zone is local time)
    /// and the elapsed time after it.
    QDateTime utcNow() const override;
    qint64 elapsedMs() const override { return m_now; }
    Timer *createTimer(QObject *parent) override;
    void callAfter(int delayMs, QObject *context, std::function<void()> fn) override;
    bool isVirtual() const override { return true; }

    /// Runs everything due up to and including elapsed time target, then
    /// leaves the clock at target. Returns false when stopped early.
    bool advanceTo(qint64 targetMs);
    bool advanceBy(qint64 deltaMs) { return advanceTo(m_now + deltaMs); }
    /// Sets the clock forward (or back, deltaMs < 0) as the operator or a
    /// time server sets a computer's clock: now() and utcNow() jump, while
    /// elapsed time and every timer go on as they were.
    void setClockBy(qint64 deltaMs);
    /// Due time of the next pending item, or -1.
    qint64 nextDue() const;
    /// Makes a running advanceTo() return after the current item.
    void stop() { m_stopped = true; }
    bool stopped() const { return m_stopped; }
    /// Called before each item runs with its due time; lets a caller pace
    /// virtual time against the wall clock.
    void setPacer(std::function<void(qint64 dueMs)> pacer) { m_pacer = std::move(pacer); }

protected:
    void onHalt() override
    {
        m_stopped = true;
        m_queue.clear();
    }

private:
    friend class VirtualTimer;
    using Key = std::pair<qint64, quint64>; // due, sequence
    struct Item {
        VirtualTimer *timer = nullptr;
        QPointer<QObject> context;
        std::function<void()> fn;
        bool hasContext = false;
    };

    Key schedule(qint64 due, Item item);
    void cancel(const Key &key) { m_queue.erase(key); }

    QDateTime m_start; ///< the start's local date and time, marked as UTC
    QDateTime m_startUtc; ///< the start as a moment
    qint64 m_now = 0;
    quint64 m_seq = 0;
    bool m_stopped = false;
    std::map<Key, Item> m_queue;
    std::function<void(qint64)> m_pacer;
};

} // namespace gavelry
