#include "platform/Scheduler.h"

namespace gavelry {

void Timer::setInterval(int milliseconds)
{
    if (milliseconds == m_interval)
        return;
    m_interval = milliseconds;
    rearm();
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    rearm();
}

void Timer::setDormant(bool dormant)
{
    if (dormant == m_dormant)
        return;
    m_dormant = dormant;
    dormancyChanged();
}

} // namespace gavelry
