#pragma once

// The station's registration with the EchoLink directory: the log-on with
// its watch and its retries, the station list that callsigns are looked up
// in, and the log-off at the end. Lives on the station's thread and reads
// the time only from the clock it is given.

#include "platform/echolink/EchoLinkStation.h"
#include "platform/echolink/OneShot.h"

#include <AsyncIpAddress.h>
#include <EchoLinkStationData.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace EchoLink {
class Directory;
}

namespace gavelry::echolink {

class DirectoryLogOn {
public:
    /// How long a fetched station list is used before it is fetched again.
    static constexpr std::chrono::minutes kListFreshFor{2};

    /// What the station does when the directory answers.
    struct Hooks {
        std::function<void()> loggedOn;                       ///< the directory took the log-on
        std::function<void()> listArrived;                    ///< a station list came in
        std::function<void(const std::string &)> listFailed;  ///< a list request failed, and why
    };

    DirectoryLogOn(const StationConfig &config, StationEvents &events, StationClock clock, Hooks hooks);
    ~DirectoryLogOn();
    DirectoryLogOn(const DirectoryLogOn &) = delete;
    DirectoryLogOn &operator=(const DirectoryLogOn &) = delete;

    /// Logs on now. One that fails or goes unanswered for
    /// EchoLinkStation::kLogOnWaitMs is said on the status line and tried
    /// again after logOnRetryDelayMs.
    void logOn();
    bool loggedOn() const { return m_loggedOn; }

    /// Asks for the station list, unless a request is on its way and not
    /// older than EchoLinkStation::kLookUpWaitMs. Nothing before the log-on.
    void requestList();
    /// call's address in the last station list; with freshOnly, only when
    /// that list is younger than kListFreshFor.
    std::optional<Async::IpAddress> addressOf(const std::string &call, bool freshOnly) const;

    /// Tells the directory the station is off (when it was on or on its
    /// way), then calls done: once the directory took it, after
    /// EchoLinkStation::kLogOffWaitMs without an answer, or at once when
    /// there was nothing to tell. No log-on is tried again after it.
    void logOff(std::function<void()> done);

private:
    void retire();
    void logOnFailed(const std::string &reason);
    void statusChanged(EchoLink::StationData::Status status);
    void errorReported(const std::string &message);
    void listUpdated();
    void loggedOff();

    const StationConfig &m_cfg;
    StationEvents &m_events;
    StationClock m_clock;
    Hooks m_hooks;
    /// A fresh one for every log-on: a connection that hangs goes with the
    /// old one, and each attempt's answer is its own.
    std::unique_ptr<EchoLink::Directory> m_directory;
    OneShot m_logOnWatch;
    OneShot m_retry;
    OneShot m_offWait;

    bool m_loggedOn = false;
    bool m_logOnInFlight = false;
    int m_failures = 0;
    std::string m_lastError;
    bool m_fetching = false;
    std::chrono::steady_clock::time_point m_fetchDeadline;
    bool m_haveList = false;
    std::chrono::steady_clock::time_point m_listTime;
    bool m_loggingOff = false;
    std::function<void()> m_offDone;
};

} // namespace gavelry::echolink
