#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace gavelry {

namespace {

int g_pipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int signo)
{
    const unsigned char byte = static_cast<unsigned char>(signo);
    // Only async-signal-safe calls here; a full pipe loses nothing that
    // matters, one byte already asks for the end.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    // Kept after this object is gone: the last lines of the way out are
    // written to standard error too.
    ::signal(SIGPIPE, SIG_IGN);
    if (g_pipe[0] < 0) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
            return;
        ::fcntl(g_pipe[1], F_SETFL, ::fcntl(g_pipe[1], F_GETFL) | O_NONBLOCK);
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    struct sigaction before {};
    ::sigaction(SIGHUP, nullptr, &before);
    m_hangUp = before.sa_handler != SIG_IGN;
    if (m_hangUp)
        ::sigaction(SIGHUP, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    // Back to the default: a signal after the event loop is gone ends the
    // process as usual.
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    if (m_hangUp)
        ::signal(SIGHUP, SIG_DFL);
}

void TerminationSignals::readSignal()
{
    unsigned char byte = 0;
    if (::read(g_pipe[0], &byte, 1) == 1)
        emit terminationRequested(byte);
}

} // namespace gavelry
