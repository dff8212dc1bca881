#include "platform/VirtualScheduler.h"

#include <QCoreApplication>

namespace gavelry {

class VirtualTimer : public Timer {
public:
    VirtualTimer(VirtualScheduler *sched, QObject *parent) : Timer(parent), m_sched(sched) {}
    ~VirtualTimer() override { disarm(); }

    void fire()
    {
        m_armed = false;
        // Fixed-rate: the next tick is one interval after this one was due.
        if (running())
            arm(m_key.first + interval());
        if (!isDormant())
            emit timeout();
    }

protected:
    void rearm() override
    {
        disarm();
        if (running() && m_sched)
            arm(m_sched->m_now + interval());
    }

private:
    void arm(qint64 due)
    {
        if (m_sched->halted())
            return;
        VirtualScheduler::Item item;
        item.timer = this;
        m_key = m_sched->schedule(due, std::move(item));
        m_armed = true;
    }
    void disarm()
    {
        if (m_armed && m_sched)
            m_sched->cancel(m_key);
        m_armed = false;
    }

    QPointer<VirtualScheduler> m_sched;
    VirtualScheduler::Key m_key{};
    bool m_armed = false;
};

VirtualScheduler::VirtualScheduler(const QDateTime &start, QObject *parent)
    : Scheduler(parent), m_start(start.date(), start.time(), Qt::UTC), m_startUtc(start.toUTC())
{
}

VirtualScheduler::~VirtualScheduler() = default;

QDateTime VirtualScheduler::now() const { return m_start.addMSecs(m_now); }

QDateTime VirtualScheduler::utcNow() const { return m_startUtc.addMSecs(m_now); }

void VirtualScheduler::setClockBy(qint64 deltaMs)
{
    m_start = m_start.addMSecs(deltaMs);
    m_startUtc = m_startUtc.addMSecs(deltaMs);
}

Timer *VirtualScheduler::createTimer(QObject *parent) { return new VirtualTimer(this, parent); }

void VirtualScheduler::callAfter(int delayMs, QObject *context, std::function<void()> fn)
{
    Item item;
    item.context = context;
    item.hasContext = context != nullptr;
    item.fn = std::move(fn);
    if (!halted())
        schedule(m_now + qMax(0, delayMs), std::move(item));
}

VirtualScheduler::Key VirtualScheduler::schedule(qint64 due, Item item)
{
    Key key{due, m_seq++};
    m_queue.emplace(key, std::move(item));
    return key;
}

qint64 VirtualScheduler::nextDue() const
{
    return m_queue.empty() ? -1 : m_queue.begin()->first.first;
}

bool VirtualScheduler::advanceTo(qint64 targetMs)
{
    if (halted())
        return false;
    m_stopped = false;
    int sincePosted = 0;
    while (!m_stopped && !m_queue.empty() && m_queue.begin()->first.first <= targetMs) {
        auto node = m_queue.extract(m_queue.begin());
        const qint64 due = node.key().first;
        if (m_pacer)
            m_pacer(due);
        m_now = due;
        Item &item = node.mapped();
        if (item.timer) {
            item.timer->fire();
        } else if (!item.hasContext || item.context) {
            item.fn();
        }
        // Widgets post their own housekeeping events (layout, deferred
        // deletes); let them run now and then so they do not pile up.
        if (++sincePosted >= 256) {
            sincePosted = 0;
            QCoreApplication::sendPostedEvents();
        }
    }
    QCoreApplication::sendPostedEvents();
    if (m_stopped)
        return false;
    m_now = qMax(m_now, targetMs);
    return true;
}

} // namespace gavelry
