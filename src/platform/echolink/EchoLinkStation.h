#pragma once

// The local EchoLink station: libecholib's event loop in a thread of its own,
// with the directory registration, one QSO per link, and the received
// texts, receive indication and DTMF handed on as events. Plain C++: this
// header includes neither Qt nor libecholib, so both sides can use it.
//
// Every public function is called from the owner's thread and returns at
// once; the work is queued for the station's thread. Events are called on
// the station's thread.

#include "platform/echolink/ConnectTarget.h"
#include "platform/echolink/LibraryMessages.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gavelry::echolink {

/// Where the station reads the time.
using StationClock = std::function<std::chrono::steady_clock::time_point()>;

struct StationConfig {
    /// The most directory servers: the library looks every one of them up
    /// at once, each with a thread and a pipe of its own, and its event loop
    /// aborts on a descriptor past FD_SETSIZE.
    static constexpr std::size_t kMostDirectoryServers = 32;

    std::string callsign;                      ///< upper case, not empty
    std::string password;
    std::string name;                          ///< the operator's name, sent to linked stations
    std::string location;                      ///< the directory description (the library sends 27 characters)
    std::string info;                          ///< the info text sent when a link comes up
    std::vector<std::string> directoryServers; ///< tried in turn; at most kMostDirectoryServers
    std::string bindAddress;                   ///< dotted IPv4; empty: every address
    int portBase = 5198;                       ///< UDP portBase (control) and portBase + 1 (audio)
    std::string proxyHost;                     ///< empty: no proxy
    std::uint16_t proxyPort = 0;
    std::string proxyPassword;
    bool gsmOnly = true;
    std::string settingsFile;                  ///< named in messages about the settings
};

/// What the station tells its owner, on the station's thread.
class StationEvents {
public:
    virtual ~StationEvents() = default;
    /// The link known as key is up; name and address of the far end.
    virtual void linkUp(const std::string &key, const std::string &name, const std::string &address) = 0;
    virtual void linkDown(const std::string &key) = 0;
    /// The directory took the station's log-on: callsigns can be linked now.
    virtual void onTheAir() = 0;
    /// Audio comes in on some link (true) or on none any more (false).
    virtual void receiving(bool on) = 0;
    virtual void dtmf(const std::string &digits) = 0;
    virtual void stationText(const std::string &text) = 0;
    /// One chat packet: a line, or a reply whose lines are joined by CR.
    virtual void chatText(const std::string &text) = 0;
    /// Something the operator should read on the status line.
    virtual void status(const std::string &message) = 0;
    /// close() has finished: links dropped, directory told OFF (or given up).
    virtual void closed() = 0;
};

class EchoLinkStation {
public:
    /// How long close() waits for the directory to take the OFF status.
    static constexpr int kLogOffWaitMs = 3000;
    /// How long a directory look-up may take before the link is given up.
    static constexpr int kLookUpWaitMs = 30000;
    /// How long a log-on may go unanswered before it counts as failed.
    static constexpr int kLogOnWaitMs = 25000;
    /// Longest chat packet handed on (a line, or a server's reply of
    /// several lines); the rest of a longer one is cut.
    static constexpr std::size_t kMaxChatText = 16384;
    /// Longest station list handed on.
    static constexpr std::size_t kMaxStationText = 65536;

    EchoLinkStation(StationConfig config, StationEvents &events,
                    StationClock clock = &std::chrono::steady_clock::now);
    /// Closes (bounded by kLogOffWaitMs) if close() was not called, and
    /// waits for the station's thread to end.
    ~EchoLinkStation();
    EchoLinkStation(const EchoLinkStation &) = delete;
    EchoLinkStation &operator=(const EchoLinkStation &) = delete;

    /// Starts the thread, binds the UDP ports and starts the directory
    /// log-on. Waits only for the local bind, never for the network.
    /// Returns false with why in error when the station cannot start (also
    /// for a configuration with more than kMostDirectoryServers servers).
    bool start(std::string &error);

    void connectStation(const ConnectTarget &target);
    void disconnectStation(const std::string &key);
    void disconnectAll();
    /// One chat line to every linked station.
    void sendChat(const std::string &text);
    /// Drops the links, logs off, then raises closed().
    void close();

private:
    struct Loop;
    /// The library's own messages (std::cerr, and its thread's std::cout
    /// and stderr), bounded while the station lives (declared first: it
    /// outlives the station's thread).
    LibraryMessages::Installed m_libraryMessages;
    StationConfig m_config;
    StationEvents &m_events;
    StationClock m_clock;
    std::unique_ptr<Loop> m_loop;
};

/// The wait before the next directory log-on after `failures` failed ones
/// in a row: 15 s, doubling, at most 5 minutes.
int logOnRetryDelayMs(int failures);

} // namespace gavelry::echolink
