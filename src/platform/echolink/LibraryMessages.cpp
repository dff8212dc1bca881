#include "LibraryMessages.h"

#include <iostream>

namespace gavelry::echolink {

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

LibraryMessages::Installed::Installed()
    : m_previous(std::cerr.rdbuf()), m_messages(new LibraryMessages(m_previous))
{
    std::cerr.rdbuf(m_messages);
}

LibraryMessages::Installed::~Installed()
{
    std::cerr.rdbuf(m_previous);
    delete m_messages;
}

} // namespace gavelry::echolink
