#include "platform/RealScheduler.h"

#include <QPointer>
#include <QTimer>

namespace gavelry {

namespace {

class RealTimer : public Timer {
public:
    RealTimer(const Scheduler *sched, QObject *parent) : Timer(parent), m_sched(sched)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_sched && m_sched->halted())
                m_timer.stop();
            else
                emit timeout();
        });
    }

protected:
    void rearm() override
    {
        if (running() && !isDormant())
            m_timer.start(interval());
        else
            m_timer.stop();
    }

    void dormancyChanged() override { rearm(); }

private:
    QPointer<const Scheduler> m_sched;
    QTimer m_timer;
};

} // namespace

RealScheduler::RealScheduler(QObject *parent) : Scheduler(parent) { m_elapsed.start(); }

QDateTime RealScheduler::now() const { return QDateTime::currentDateTime(); }

QDateTime RealScheduler::utcNow() const { return QDateTime::currentDateTimeUtc(); }

qint64 RealScheduler::elapsedMs() const { return m_elapsed.elapsed(); }

Timer *RealScheduler::createTimer(QObject *parent) { return new RealTimer(this, parent); }

void RealScheduler::callAfter(int delayMs, QObject *context, std::function<void()> fn)
{
    QTimer::singleShot(delayMs, Qt::PreciseTimer, context ? context : this,
                       [this, fn = std::move(fn)] {
                           if (!halted())
                               fn();
                       });
}

} // namespace gavelry
