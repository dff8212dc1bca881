#include "platform/echolink/LibraryMessages.h"

#include <iostream>

namespace gavelry::echolink {

namespace {

thread_local bool t_libraryThread = false;

/// C's stderr while an Installed lives: a stream of our own in its place,
/// unbuffered so that each write is sorted on the thread that made it.
/// Made once and never closed (another thread may be writing to it when
/// the guard goes); without a LibraryMessages it passes everything on.
struct StderrRoute {
    std::mutex mutex;
    FILE *stream = nullptr;
    FILE *passOn = nullptr;
    LibraryMessages *messages = nullptr;
};

StderrRoute &stderrRoute()
{
    static StderrRoute *route = new StderrRoute; // outlives every thread's last write
    return *route;
}

ssize_t writeStderr(void *, const char *data, size_t size)
{
    StderrRoute &route = stderrRoute();
    std::lock_guard<std::mutex> lock(route.mutex);
    if (t_libraryThread && route.messages) {
        route.messages->sputn(data, std::streamsize(size));
    } else if (route.passOn) {
        std::fwrite(data, 1, size, route.passOn);
        std::fflush(route.passOn);
    }
    return ssize_t(size);
}

} // namespace

/// std::cout's buffer while an Installed lives: a library thread's writes
/// go to the messages, every other thread's to the buffer before.
class LibraryMessages::Installed::Routed : public std::streambuf {
public:
    Routed(LibraryMessages *messages, std::streambuf *passOn) : m_messages(messages), m_passOn(passOn) {}

protected:
    int_type overflow(int_type ch) override
    {
        if (traits_type::eq_int_type(ch, traits_type::eof()))
            return traits_type::not_eof(ch);
        const char c = traits_type::to_char_type(ch);
        return xsputn(&c, 1) == 1 ? ch : traits_type::eof();
    }
    std::streamsize xsputn(const char *s, std::streamsize n) override
    {
        std::streambuf *to = target();
        return to ? to->sputn(s, n) : n;
    }
    int sync() override
    {
        std::streambuf *to = target();
        return to ? to->pubsync() : 0;
    }

private:
    std::streambuf *target() const { return t_libraryThread ? m_messages : m_passOn; }

    LibraryMessages *m_messages;
    std::streambuf *m_passOn;
};

void LibraryMessages::markLibraryThread() { t_libraryThread = true; }

LibraryMessages::LibraryMessages(std::streambuf *out, Clock clock) : m_out(out), m_clock(std::move(clock)) {}

LibraryMessages::~LibraryMessages()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_line.empty())
        endLine();
    if (m_left > 0)
        write("(" + std::to_string(m_left) + " more messages left out)");
}

std::streambuf::int_type LibraryMessages::overflow(int_type ch)
{
    if (traits_type::eq_int_type(ch, traits_type::eof()))
        return traits_type::not_eof(ch);
    std::lock_guard<std::mutex> lock(m_mutex);
    put(traits_type::to_char_type(ch));
    return ch;
}

std::streamsize LibraryMessages::xsputn(const char *s, std::streamsize n)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (std::streamsize i = 0; i < n; ++i)
        put(s[i]);
    return n;
}

int LibraryMessages::sync()
{
    // A line is written when it ends; std::endl's flush changes nothing.
    return 0;
}

void LibraryMessages::put(char c)
{
    if (c == '\n') {
        endLine();
        return;
    }
    if (m_line.size() < kLongestLine)
        m_line += c;
    else
        m_cut = true;
}

void LibraryMessages::endLine()
{
    std::string line = std::move(m_line);
    m_line.clear();
    if (m_cut)
        line += "...";
    m_cut = false;

    const auto now = m_clock();
    if (!m_windowOpen || now - m_windowStart >= kWindow) {
        if (m_left > 0)
            write("(" + std::to_string(m_left) + " more messages left out)");
        m_windowOpen = true;
        m_windowStart = now;
        m_shown = 0;
        m_left = 0;
    }
    if (m_shown < kLinesPerWindow) {
        ++m_shown;
        write(line);
    } else {
        ++m_left;
    }
}

void LibraryMessages::write(const std::string &line)
{
    const std::string whole = "EchoLink library: " + line + "\n";
    m_out->sputn(whole.data(), std::streamsize(whole.size()));
    m_out->pubsync();
}

LibraryMessages::Installed::Installed() : Installed(std::cerr.rdbuf()) {}

LibraryMessages::Installed::Installed(std::streambuf *out)
    : m_previousCerr(std::cerr.rdbuf()), m_previousCout(std::cout.rdbuf()), m_messages(new LibraryMessages(out)),
      m_cout(std::make_unique<Routed>(m_messages, m_previousCout))
{
    std::cerr.rdbuf(m_messages);
    std::cout.rdbuf(m_cout.get());

    StderrRoute &route = stderrRoute();
    std::lock_guard<std::mutex> lock(route.mutex);
    if (!route.stream) {
        route.stream = ::fopencookie(nullptr, "w", cookie_io_functions_t{nullptr, &writeStderr, nullptr, nullptr});
        if (route.stream)
            std::setvbuf(route.stream, nullptr, _IONBF, 0);
    }
    if (route.stream && stderr != route.stream) {
        // The C library lets its standard streams be assigned.
        std::fflush(stderr);
        route.passOn = stderr;
        route.messages = m_messages;
        stderr = route.stream;
        m_stderrRouted = true;
    }
}

LibraryMessages::Installed::~Installed()
{
    if (m_stderrRouted) {
        StderrRoute &route = stderrRoute();
        std::lock_guard<std::mutex> lock(route.mutex);
        if (stderr == route.stream)
            stderr = route.passOn;
        route.messages = nullptr; // a late write passes on
    }
    std::cout.rdbuf(m_previousCout);
    std::cerr.rdbuf(m_previousCerr);
    delete m_messages;
}

} // namespace gavelry::echolink
