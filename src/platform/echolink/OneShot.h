#pragma once

// A one-shot timer of the station's thread, started, stopped and started
// again for as long as its owner lives. It is never deleted while it may be
// firing: its owner keeps it and only switches it off.

#include <AsyncTimer.h>

#include <functional>
#include <utility>

namespace gavelry::echolink {

class OneShot {
public:
    explicit OneShot(std::function<void()> expired)
        : m_timer(1000, Async::Timer::TYPE_ONESHOT, false), m_expired(std::move(expired))
    {
        m_timer.expired.connect([this](Async::Timer *) { m_expired(); });
    }
    OneShot(const OneShot &) = delete;
    OneShot &operator=(const OneShot &) = delete;

    /// Fires once, ms from now (again from now when it was running).
    void start(int ms)
    {
        m_timer.setEnable(false);
        m_timer.setTimeout(ms);
        m_timer.setEnable(true);
    }
    void stop() { m_timer.setEnable(false); }

private:
    Async::Timer m_timer;
    std::function<void()> m_expired;
};

} // namespace gavelry::echolink
