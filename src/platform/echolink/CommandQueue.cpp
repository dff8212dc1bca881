#include "platform/echolink/CommandQueue.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace gavelry::echolink {

CommandQueue::CommandQueue()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_read = fds[0];
    m_write = fds[1];
}

CommandQueue::~CommandQueue()
{
    if (m_read >= 0)
        ::close(m_read);
    if (m_write >= 0)
        ::close(m_write);
}

bool CommandQueue::push(Command command)
{
    std::lock_guard lock(m_mutex);
    if (m_shut || m_write < 0)
        return false;
    m_commands.push_back(std::move(command));
    if (!m_signalled) {
        // One byte wakes the reader; it takes everything queued till then.
        const char byte = 1;
        ssize_t n;
        do
            n = ::write(m_write, &byte, 1);
        while (n < 0 && errno == EINTR);
        m_signalled = true;
    }
    return true;
}

std::deque<CommandQueue::Command> CommandQueue::take()
{
    char buf[64];
    while (::read(m_read, buf, sizeof buf) > 0) {
    }
    std::lock_guard lock(m_mutex);
    m_signalled = false;
    std::deque<Command> taken;
    taken.swap(m_commands);
    return taken;
}

void CommandQueue::shut()
{
    std::lock_guard lock(m_mutex);
    m_shut = true;
}

bool CommandQueue::isShut() const
{
    std::lock_guard lock(m_mutex);
    return m_shut;
}

} // namespace gavelry::echolink
