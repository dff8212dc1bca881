#pragma once

// What the EchoLink library writes, kept within bounds. The library reports
// every bad packet with a dump of its bytes, and a directory server's
// unexpected reply whole; a peer sending garbage all the time would
// otherwise fill the journal. Plain C++ with no Qt header, like the rest of
// the station's thread.

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>

namespace gavelry::echolink {

/// A stream buffer that passes whole lines on to another one, each cut to
/// kLongestLine characters, and at most kLinesPerWindow lines in each
/// kWindow; the lines left out are counted and said in one line when the
/// next window opens.
class LibraryMessages : public std::streambuf {
public:
    static constexpr std::size_t kLongestLine = 240;
    static constexpr int kLinesPerWindow = 30;
    static constexpr std::chrono::seconds kWindow{60};

    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    /// Lines go to out, prefixed with "EchoLink library: ".
    explicit LibraryMessages(std::streambuf *out, Clock clock = &std::chrono::steady_clock::now);
    ~LibraryMessages() override;

    /// While it lives, the library's messages pass through one
    /// LibraryMessages, whatever way the library writes them: everything on
    /// std::cerr, and what a library thread (markLibraryThread) writes to
    /// std::cout or to C's stderr (fprintf, perror). What other threads write
    /// to std::cout and stderr passes on unchanged. One at a time.
    class Installed {
    public:
        /// The lines go where std::cerr wrote before.
        Installed();
        /// The lines go to out.
        explicit Installed(std::streambuf *out);
        ~Installed();
        Installed(const Installed &) = delete;
        Installed &operator=(const Installed &) = delete;

    private:
        class Routed;
        std::streambuf *m_previousCerr;
        std::streambuf *m_previousCout;
        LibraryMessages *m_messages;
        std::unique_ptr<Routed> m_cout;
        bool m_stderrRouted = false;
    };

    /// Marks the calling thread as one that runs the library, for as long
    /// as it runs.
    static void markLibraryThread();

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char *s, std::streamsize n) override;
    int sync() override;

private:
    void put(char c);
    void endLine();
    void write(const std::string &line);

    std::streambuf *m_out;
    Clock m_clock;
    std::mutex m_mutex;
    std::string m_line;
    bool m_cut = false;
    std::chrono::steady_clock::time_point m_windowStart;
    bool m_windowOpen = false;
    int m_shown = 0;
    long m_left = 0;
};

} // namespace gavelry::echolink
