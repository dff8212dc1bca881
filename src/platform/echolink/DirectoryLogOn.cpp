#include "platform/echolink/DirectoryLogOn.h"

#include "platform/echolink/EchoLinkText.h"
#include "platform/echolink/LibraryMessages.h"

#include <EchoLinkDirectory.h>

namespace gavelry::echolink {

using EchoLink::StationData;

namespace {

std::string withoutTrailingBreaks(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string joined(const std::vector<std::string> &items)
{
    std::string all;
    for (const std::string &s : items)
        all += (all.empty() ? "" : ", ") + s;
    return all;
}

bool registered(StationData::Status status)
{
    return status == StationData::STAT_ONLINE || status == StationData::STAT_BUSY;
}

} // namespace

DirectoryLogOn::DirectoryLogOn(const StationConfig &config, StationEvents &events, StationClock clock, Hooks hooks)
    : m_cfg(config), m_events(events), m_clock(std::move(clock)), m_hooks(std::move(hooks)),
      m_logOnWatch([this] {
          logOnFailed(m_lastError.empty() ? "The EchoLink directory (" + joined(m_cfg.directoryServers)
                                                + ") did not answer the log-on"
                                          : m_lastError);
      }),
      m_retry([this] { logOn(); }), m_offWait([this] { loggedOff(); })
{
}

DirectoryLogOn::~DirectoryLogOn() { retire(); }

void DirectoryLogOn::retire()
{
    if (!m_directory)
        return;
    // A directory deleted while its connection is open reports the closing
    // connection to itself from its own destructor, after its timers are
    // gone (a double delete). Cut its callbacks first.
    m_directory->notify_callbacks();
    m_directory.reset();
}

void DirectoryLogOn::logOn()
{
    if (m_loggingOff)
        return;
    retire();
    Async::IpAddress bindIp;
    if (!m_cfg.bindAddress.empty())
        bindIp = Async::IpAddress(m_cfg.bindAddress);
    m_directory = std::make_unique<EchoLink::Directory>(m_cfg.directoryServers, m_cfg.callsign, m_cfg.password,
                                                        m_cfg.location, bindIp);
    m_directory->statusChanged.connect([this](StationData::Status s) { statusChanged(s); });
    m_directory->error.connect([this](const std::string &m) { errorReported(m); });
    m_directory->stationListUpdated.connect([this] { listUpdated(); });
    m_haveList = false;
    m_fetching = false;
    m_loggedOn = false;
    m_lastError.clear();
    m_logOnInFlight = true;
    m_logOnWatch.start(EchoLinkStation::kLogOnWaitMs);
    m_directory->makeOnline();
}

void DirectoryLogOn::logOnFailed(const std::string &reason)
{
    if (m_loggingOff)
        return;
    m_logOnInFlight = false;
    m_loggedOn = false;
    m_logOnWatch.stop();
    ++m_failures;
    const int delay = logOnRetryDelayMs(m_failures);
    m_events.status(reason + "; trying again in " + std::to_string(delay / 1000) + " s");
    m_retry.start(delay);
}

void DirectoryLogOn::statusChanged(StationData::Status status)
{
    if (m_loggingOff) {
        if (!registered(status))
            loggedOff();
        return;
    }
    if (status == StationData::STAT_ONLINE) {
        m_logOnWatch.stop();
        m_logOnInFlight = false;
        m_loggedOn = true;
        m_failures = 0;
        m_events.status("Logged on to the EchoLink directory as " + m_cfg.callsign);
        m_hooks.loggedOn();
    } else if (status == StationData::STAT_UNKNOWN) {
        // No "OK": a refused password or callsign, or a connection that
        // failed (its reason came through the error signal first).
        logOnFailed(m_lastError.empty() ? "The EchoLink directory refused the log-on of " + m_cfg.callsign
                                              + ": check CALLSIGN and PASSWORD in " + m_cfg.settingsFile
                                        : "EchoLink directory: " + m_lastError);
    }
}

void DirectoryLogOn::errorReported(const std::string &message)
{
    // It goes on the status line: no longer than a library line.
    m_lastError = cutToBytes(withoutTrailingBreaks(message), LibraryMessages::kLongestLine);
    if (m_fetching && !m_loggingOff) {
        m_fetching = false;
        m_hooks.listFailed(m_lastError);
    }
}

void DirectoryLogOn::requestList()
{
    if (!m_loggedOn || !m_directory)
        return;
    const auto now = m_clock();
    if (m_fetching && now < m_fetchDeadline)
        return;
    m_fetching = true;
    m_fetchDeadline = now + std::chrono::milliseconds(EchoLinkStation::kLookUpWaitMs);
    m_directory->getCalls();
}

void DirectoryLogOn::listUpdated()
{
    m_fetching = false;
    m_haveList = true;
    m_listTime = m_clock();
    m_hooks.listArrived();
}

std::optional<Async::IpAddress> DirectoryLogOn::addressOf(const std::string &call, bool freshOnly) const
{
    if (!m_directory || !m_haveList)
        return std::nullopt;
    if (freshOnly && m_clock() - m_listTime >= kListFreshFor)
        return std::nullopt;
    if (const StationData *s = m_directory->findCall(call))
        return s->ip();
    return std::nullopt;
}

void DirectoryLogOn::logOff(std::function<void()> done)
{
    if (m_loggingOff)
        return;
    m_loggingOff = true;
    m_offDone = std::move(done);
    m_retry.stop();
    m_logOnWatch.stop();
    if (m_directory && (m_loggedOn || m_logOnInFlight || registered(m_directory->status()))) {
        m_offWait.start(EchoLinkStation::kLogOffWaitMs);
        m_directory->makeOffline();
    } else {
        loggedOff();
    }
}

void DirectoryLogOn::loggedOff()
{
    m_offWait.stop();
    if (auto done = std::exchange(m_offDone, nullptr))
        done();
}

} // namespace gavelry::echolink
