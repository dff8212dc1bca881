#pragma once

// Hands work from one thread to another thread's event loop: push() queues a
// command and writes one byte to a pipe; the loop watches readFd() and, when
// it becomes readable, takes every queued command with take(). Plain C++
// with no Qt header.

#include <deque>
#include <functional>
#include <mutex>

namespace gavelry::echolink {

class CommandQueue {
public:
    using Command = std::function<void()>;

    CommandQueue();
    ~CommandQueue();
    CommandQueue(const CommandQueue &) = delete;
    CommandQueue &operator=(const CommandQueue &) = delete;

    /// False when the pipe could not be made (the queue is then unusable).
    bool isValid() const { return m_read >= 0; }
    int readFd() const { return m_read; }

    /// Queues command and wakes the reader. Never blocks on the reader: the
    /// pipe is non-blocking, and one unread byte is enough to wake it.
    /// Returns false once the queue is shut (the command is dropped).
    bool push(Command command);
    /// Empties the pipe and returns the commands queued so far, in order.
    std::deque<Command> take();
    /// No more commands are accepted.
    void shut();
    bool isShut() const;

private:
    mutable std::mutex m_mutex;
    std::deque<Command> m_commands;
    bool m_shut = false;
    bool m_signalled = false;
    int m_read = -1;
    int m_write = -1;
};

} // namespace gavelry::echolink
