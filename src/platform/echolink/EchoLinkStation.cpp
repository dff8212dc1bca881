#include "platform/echolink/EchoLinkStation.h"

#include "platform/echolink/CommandQueue.h"
#include "platform/echolink/DtmfCollector.h"
#include "platform/echolink/EchoLinkText.h"

#include <AsyncAudioSink.h>
#include <AsyncCppApplication.h>
#include <AsyncFdWatch.h>
#include <AsyncIpAddress.h>
#include <AsyncTimer.h>
#include <EchoLinkDirectory.h>
#include <EchoLinkDispatcher.h>
#include <EchoLinkProxy.h>
#include <EchoLinkQso.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <future>
#include <map>
#include <pthread.h>
#include <thread>

namespace gavelry::echolink {

using Clock = std::chrono::steady_clock;
using EchoLink::Qso;
using EchoLink::StationData;

namespace {

/// How long the directory's station list is used before it is fetched again.
constexpr auto kListFreshFor = std::chrono::minutes(2);

/// Cuts text to at most max bytes without splitting a UTF-8 sequence.
std::string capped(std::string text, std::size_t max)
{
    if (text.size() <= max)
        return text;
    std::size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
    return text;
}

std::string chomp(std::string text)
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

/// Received audio into the DTMF collector of one link.
class DtmfSink : public Async::AudioSink {
public:
    int writeSamples(const float *samples, int count) override
    {
        if (count > 0)
            collector.feed(samples, static_cast<std::size_t>(count));
        return count;
    }
    void flushSamples() override { sourceAllSamplesFlushed(); }

    DtmfCollector collector;
};

/// A persistent timer that is started and stopped, never deleted while it
/// may be firing.
void startTimer(Async::Timer &timer, int ms)
{
    timer.setEnable(false);
    timer.setTimeout(ms);
    timer.setEnable(true);
}

/// Tries the station's two UDP ports before the library opens them, so that
/// a port in use gives one message with its reason (the library only
/// prints the system's words). Returns the errno of the first failure.
int probeUdpPorts(const std::string &bindAddress, int portBase)
{
    for (int port : {portBase, portBase + 1}) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return errno;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_ANY);
        if (!bindAddress.empty() && ::inet_pton(AF_INET, bindAddress.c_str(), &a.sin_addr) != 1) {
            ::close(fd);
            return EINVAL;
        }
        const int rc = ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        const int err = errno;
        ::close(fd);
        if (rc != 0)
            return err;
    }
    return 0;
}

} // namespace

int logOnRetryDelayMs(int failures)
{
    int delay = 15000;
    for (int i = 1; i < failures && delay < 300000; ++i)
        delay *= 2;
    return std::min(delay, 300000);
}

struct EchoLinkStation::Loop {
    struct Link {
        int id = 0;
        std::string key;
        std::unique_ptr<Qso> qso;
        DtmfSink sink;
        std::vector<sigc::connection> connections;
        bool wasConnected = false;
        bool byeReceived = false;
        bool dropRequested = false;
        bool receiving = false;
        bool dead = false;

        ~Link()
        {
            for (sigc::connection &c : connections)
                c.disconnect();
            if (qso) {
                qso->unregisterSink();
                qso.reset();
            }
        }
    };

    struct LookUp {
        ConnectTarget target;
        Clock::time_point deadline;
    };

    Loop(const StationConfig &config, StationEvents &events) : cfg(config), events(events) {}

    const StationConfig &cfg;
    StationEvents &events;
    CommandQueue queue;
    std::thread thread;
    std::promise<std::string> started;
    std::atomic<bool> closeRequested{false};

    // Everything below lives on the station's thread only.
    Async::CppApplication *app = nullptr;
    std::unique_ptr<EchoLink::Proxy> proxy;
    EchoLink::Dispatcher *dispatcher = nullptr;
    std::unique_ptr<EchoLink::Directory> directory;
    std::unique_ptr<Async::FdWatch> wake;
    std::unique_ptr<Async::Timer> logOnWatch, retryTimer, lookUpTick, offWait;
    std::map<int, std::unique_ptr<Link>> links;
    int nextId = 1;
    bool rxOn = false;

    // Directory state.
    bool loggedOn = false;
    bool logOnInFlight = false;
    int logOnFailures = 0;
    std::string lastDirError;
    bool fetching = false;
    Clock::time_point fetchDeadline;
    bool haveList = false;
    Clock::time_point listTime;
    std::vector<LookUp> lookUps;

    bool shutting = false;
    bool closedSent = false;

    void run();
    std::string bindError(int err) const;
    void runCommands();
    void teardown();

    // Directory.
    void retireDirectory();
    void makeDirectory();
    void logOn();
    void logOnFailed(const std::string &reason);
    void onDirectoryStatus(StationData::Status status);
    void onDirectoryError(const std::string &message);
    void onStationList();
    void requestList();
    void checkLookUps();

    // Links.
    Link *findLink(const std::string &key);
    void connectTo(const ConnectTarget &target);
    void createLink(const ConnectTarget &target, const Async::IpAddress &ip);
    void onState(Link *link, Qso::State state);
    void onReceiving(Link *link, bool on);
    void onChat(const std::string &text);
    void onInfo(const std::string &text);
    void updateRx();
    void drop(Link *link);
    void forceRemove(int id);
    void removeLink(int id);
    void disconnectKey(const std::string &key);
    void disconnectEverything();
    void sendChat(const std::string &text);

    // Shut-down.
    void beginClose();
    void finishClose();
};

// ---------------------------------------------------------------- the thread

void EchoLinkStation::Loop::run()
{
    // Termination signals belong to the program's own handler on the GUI
    // thread. A SIGPIPE raised by a write here (a peer that went away)
    // stays pending instead of ending the program, even where nothing set
    // it to be ignored: the write fails with EPIPE.
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
        sigaddset(&blocked, s);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
    // What the library prints from here on, with printf or iostreams, is
    // bounded and marked as its own.
    LibraryMessages::markLibraryThread();

    bool reported = false;
    try {
        Async::CppApplication application;
        app = &application;

        if (!cfg.proxyHost.empty()) {
            proxy = std::make_unique<EchoLink::Proxy>(cfg.proxyHost, cfg.proxyPort, cfg.callsign, cfg.proxyPassword);
            proxy->proxyReady.connect([this](bool ready) {
                events.status(ready ? "EchoLink proxy " + cfg.proxyHost + " is ready"
                                    : "EchoLink proxy " + cfg.proxyHost + " is not reachable; trying again");
            });
            proxy->connect();
        } else if (!cfg.bindAddress.empty()) {
            EchoLink::Dispatcher::setBindAddr(Async::IpAddress(cfg.bindAddress));
        }
        EchoLink::Dispatcher::setPortBase(cfg.portBase);
        if (!proxy) {
            if (const int err = probeUdpPorts(cfg.bindAddress, cfg.portBase)) {
                reported = true;
                started.set_value(bindError(err));
                teardown();
                return;
            }
        }
        dispatcher = EchoLink::Dispatcher::instance();
        if (!dispatcher) {
            reported = true;
            started.set_value(bindError(0));
            teardown();
            return;
        }
        wake = std::make_unique<Async::FdWatch>(queue.readFd(), Async::FdWatch::FD_WATCH_RD);
        wake->activity.connect([this](Async::FdWatch *) { runCommands(); });

        logOnWatch = std::make_unique<Async::Timer>(kLogOnWaitMs, Async::Timer::TYPE_ONESHOT, false);
        logOnWatch->expired.connect([this](Async::Timer *) {
            logOnFailed(lastDirError.empty() ? "The EchoLink directory (" + joined(cfg.directoryServers)
                                                   + ") did not answer the log-on"
                                             : lastDirError);
        });
        retryTimer = std::make_unique<Async::Timer>(1000, Async::Timer::TYPE_ONESHOT, false);
        retryTimer->expired.connect([this](Async::Timer *) { logOn(); });
        lookUpTick = std::make_unique<Async::Timer>(1000, Async::Timer::TYPE_PERIODIC, true);
        lookUpTick->expired.connect([this](Async::Timer *) { checkLookUps(); });
        offWait = std::make_unique<Async::Timer>(kLogOffWaitMs, Async::Timer::TYPE_ONESHOT, false);
        offWait->expired.connect([this](Async::Timer *) { finishClose(); });

        logOn();
        reported = true;
        started.set_value(std::string());
        application.exec();
        teardown();
        app = nullptr;
    } catch (const std::exception &e) {
        if (!reported)
            started.set_value(std::string("The EchoLink station could not start: ") + e.what());
        else
            events.closed();
    }
}

std::string EchoLinkStation::Loop::bindError(int err) const
{
    std::string why;
    if (err == EADDRINUSE)
        why = "another program uses them";
    else if (err == EADDRNOTAVAIL)
        why = "the address is not one of this machine's (BIND_ADDRESS in " + cfg.settingsFile + ")";
    else if (err == EACCES)
        why = "permission denied";
    else if (err != 0)
        why = std::strerror(err);
    else
        why = "another program uses them, or the address is not one of this machine's (BIND_ADDRESS in "
              + cfg.settingsFile + ")";
    return "The EchoLink ports UDP " + std::to_string(cfg.portBase) + " and " + std::to_string(cfg.portBase + 1)
           + " cannot be opened on "
           + (cfg.bindAddress.empty() ? std::string("the addresses of this machine") : cfg.bindAddress) + ": " + why
           + ".";
}

void EchoLinkStation::Loop::runCommands()
{
    for (CommandQueue::Command &command : queue.take())
        command();
}

void EchoLinkStation::Loop::teardown()
{
    lookUps.clear();
    links.clear();
    retireDirectory();
    logOnWatch.reset();
    retryTimer.reset();
    lookUpTick.reset();
    offWait.reset();
    wake.reset();
    if (dispatcher)
        EchoLink::Dispatcher::deleteInstance();
    dispatcher = nullptr;
    proxy.reset();
}

// ---------------------------------------------------------------- directory

void EchoLinkStation::Loop::retireDirectory()
{
    if (!directory)
        return;
    // A directory deleted while its connection is open reports the closing
    // connection to itself from its own destructor, after its timers are
    // gone (a double delete). Cut its callbacks first.
    directory->notify_callbacks();
    directory.reset();
}

void EchoLinkStation::Loop::makeDirectory()
{
    retireDirectory();
    Async::IpAddress bindIp;
    if (!cfg.bindAddress.empty())
        bindIp = Async::IpAddress(cfg.bindAddress);
    directory = std::make_unique<EchoLink::Directory>(cfg.directoryServers, cfg.callsign, cfg.password,
                                                      cfg.location, bindIp);
    directory->statusChanged.connect([this](StationData::Status s) { onDirectoryStatus(s); });
    directory->error.connect([this](const std::string &m) { onDirectoryError(m); });
    directory->stationListUpdated.connect([this] { onStationList(); });
    haveList = false;
    fetching = false;
}

void EchoLinkStation::Loop::logOn()
{
    if (shutting)
        return;
    // A fresh directory object for every attempt: a connection that hangs
    // is dropped with the old one, and each attempt's answer is seen.
    makeDirectory();
    loggedOn = false;
    lastDirError.clear();
    logOnInFlight = true;
    startTimer(*logOnWatch, kLogOnWaitMs);
    directory->makeOnline();
}

void EchoLinkStation::Loop::logOnFailed(const std::string &reason)
{
    if (shutting)
        return;
    logOnInFlight = false;
    loggedOn = false;
    logOnWatch->setEnable(false);
    ++logOnFailures;
    const int delay = logOnRetryDelayMs(logOnFailures);
    events.status(reason + "; trying again in " + std::to_string(delay / 1000) + " s");
    startTimer(*retryTimer, delay);
}

void EchoLinkStation::Loop::onDirectoryStatus(StationData::Status status)
{
    if (shutting) {
        if (status != StationData::STAT_ONLINE && status != StationData::STAT_BUSY)
            finishClose();
        return;
    }
    if (status == StationData::STAT_ONLINE) {
        logOnWatch->setEnable(false);
        logOnInFlight = false;
        loggedOn = true;
        logOnFailures = 0;
        events.status("Logged on to the EchoLink directory as " + cfg.callsign);
        if (!lookUps.empty())
            requestList();
    } else if (status == StationData::STAT_UNKNOWN) {
        // No "OK": a refused password or callsign, or a connection that
        // failed (its reason came through the error signal first).
        logOnFailed(lastDirError.empty() ? "The EchoLink directory refused the log-on of " + cfg.callsign
                                               + ": check CALLSIGN and PASSWORD in " + cfg.settingsFile
                                         : "EchoLink directory: " + lastDirError);
    }
}

void EchoLinkStation::Loop::onDirectoryError(const std::string &message)
{
    // It goes on the status line: no longer than a library line.
    lastDirError = capped(chomp(message), LibraryMessages::kLongestLine);
    if (fetching && !shutting) {
        fetching = false;
        for (const LookUp &l : lookUps)
            events.status("No link to " + l.target.key + ": the EchoLink directory did not send its station list ("
                           + lastDirError + ")");
        lookUps.clear();
    }
}

void EchoLinkStation::Loop::requestList()
{
    if (!loggedOn || !directory)
        return;
    if (fetching && Clock::now() < fetchDeadline)
        return;
    fetching = true;
    fetchDeadline = Clock::now() + std::chrono::milliseconds(kLookUpWaitMs);
    directory->getCalls();
}

void EchoLinkStation::Loop::onStationList()
{
    fetching = false;
    haveList = true;
    listTime = Clock::now();
    std::vector<LookUp> waiting;
    waiting.swap(lookUps);
    for (const LookUp &l : waiting) {
        const StationData *s = directory->findCall(l.target.callsign);
        if (s)
            createLink(l.target, s->ip());
        else
            events.status("No link to " + l.target.key + ": it is not logged on to the EchoLink directory");
    }
}

void EchoLinkStation::Loop::checkLookUps()
{
    const auto now = Clock::now();
    if (fetching && now >= fetchDeadline)
        fetching = false;
    for (auto it = lookUps.begin(); it != lookUps.end();) {
        if (now < it->deadline) {
            ++it;
            continue;
        }
        events.status("No link to " + it->target.key + ": the EchoLink directory did not give its address within "
                      + std::to_string(kLookUpWaitMs / 1000) + " s"
                      + (loggedOn ? std::string() : std::string(" (not logged on to the directory)")));
        it = lookUps.erase(it);
    }
}

// ---------------------------------------------------------------- links

EchoLinkStation::Loop::Link *EchoLinkStation::Loop::findLink(const std::string &key)
{
    for (auto &[id, link] : links)
        if (!link->dead && link->key == key)
            return link.get();
    return nullptr;
}

void EchoLinkStation::Loop::connectTo(const ConnectTarget &target)
{
    if (shutting || findLink(target.key))
        return;
    if (target.byAddress()) {
        createLink(target, Async::IpAddress(target.address));
        return;
    }
    for (const LookUp &l : lookUps)
        if (l.target.key == target.key)
            return;
    if (haveList && directory && Clock::now() - listTime < kListFreshFor) {
        if (const StationData *s = directory->findCall(target.callsign)) {
            createLink(target, s->ip());
            return;
        }
    }
    lookUps.push_back({target, Clock::now() + std::chrono::milliseconds(kLookUpWaitMs)});
    requestList();
}

void EchoLinkStation::Loop::createLink(const ConnectTarget &target, const Async::IpAddress &ip)
{
    if (shutting || findLink(target.key))
        return;
    // The library keeps one connection per remote address.
    for (auto it = links.begin(); it != links.end();) {
        Link &other = *it->second;
        if (other.qso && other.qso->remoteIp() == ip) {
            if (!other.dead) {
                events.status("No link to " + target.key + ": " + other.key + " is linked at the same address "
                              + ip.toString());
                return;
            }
            it = links.erase(it); // a finished link whose removal is still pending
            continue;
        }
        ++it;
    }
    if (!ip.isUnicast()) {
        events.status("No link to " + target.key + ": its address " + ip.toString() + " cannot be linked to");
        return;
    }
    auto owned = std::make_unique<Link>();
    Link *link = owned.get();
    link->id = nextId++;
    link->key = target.key;
    link->qso = std::make_unique<Qso>(ip, cfg.callsign, cfg.name, cfg.info);
    if (!link->qso->initOk()) {
        events.status("No link to " + target.key + ": the EchoLink library refused the address " + ip.toString());
        return;
    }
    if (cfg.gsmOnly)
        link->qso->setUseGsmOnly();
    link->qso->setLocalName(cfg.name); // after setUseGsmOnly: announces GSM only
    link->qso->registerSink(&link->sink);
    link->connections.push_back(link->qso->stateChange.connect([this, link](Qso::State s) { onState(link, s); }));
    link->connections.push_back(link->qso->isReceiving.connect([this, link](bool on) { onReceiving(link, on); }));
    link->connections.push_back(link->qso->chatMsgReceived.connect([this](const std::string &t) { onChat(t); }));
    link->connections.push_back(link->qso->infoMsgReceived.connect([this](const std::string &t) { onInfo(t); }));
    const int id = link->id;
    links.emplace(id, std::move(owned));
    if (!link->qso->connect()) {
        events.status("No link to " + target.key + ": the connect packet could not be sent to " + ip.toString());
        links.erase(id);
    }
}

void EchoLinkStation::Loop::onState(Link *link, Qso::State state)
{
    switch (state) {
    case Qso::STATE_CONNECTING:
        break;
    case Qso::STATE_CONNECTED: {
        link->wasConnected = true;
        std::string name = link->qso->remoteName();
        if (name == "?")
            name.clear();
        events.linkUp(link->key, name, link->qso->remoteIp().toString());
        break;
    }
    case Qso::STATE_BYE_RECEIVED:
        link->byeReceived = true;
        break;
    case Qso::STATE_DISCONNECTED: {
        if (link->dead)
            break;
        link->dead = true;
        if (link->receiving)
            onReceiving(link, false);
        const bool quiet = link->dropRequested || shutting;
        if (link->wasConnected) {
            events.linkDown(link->key);
            if (!quiet)
                events.status(link->byeReceived ? link->key + " ended the link"
                                                : "The link to " + link->key + " dropped: it stopped answering");
        } else if (!quiet) {
            events.status(link->byeReceived ? "No link to " + link->key + ": it refused the link"
                                            : "No link to " + link->key + ": it did not answer");
        }
        // Never inside the connection's own signal: later, from the loop.
        const int id = link->id;
        app->runTask([this, id] { removeLink(id); });
        break;
    }
    }
}

void EchoLinkStation::Loop::onReceiving(Link *link, bool on)
{
    if (link->receiving == on)
        return;
    link->receiving = on;
    if (!on) {
        // The transmission ended: its digits as one sequence.
        const std::string digits = link->sink.collector.finish();
        if (!digits.empty())
            events.dtmf(digits);
    }
    updateRx();
}

void EchoLinkStation::Loop::updateRx()
{
    const bool any = std::any_of(links.begin(), links.end(), [](const auto &l) { return l.second->receiving; });
    if (any != rxOn) {
        rxOn = any;
        events.receiving(any);
    }
}

void EchoLinkStation::Loop::onChat(const std::string &text)
{
    const ReceivedText received = classifyReceivedText(text);
    switch (received.kind) {
    case TextKind::Nothing:
        break;
    case TextKind::StationList:
        events.stationText(capped(received.text, kMaxStationText));
        break;
    case TextKind::Chat:
        events.chatText(capped(received.text, kMaxChatText));
        break;
    }
}

void EchoLinkStation::Loop::onInfo(const std::string &text)
{
    // An info packet (it starts with CR on the wire) is station information.
    if (text.find_first_not_of("\r\n") == std::string::npos)
        return;
    std::string info = text;
    std::replace(info.begin(), info.end(), '\r', '\n');
    events.stationText(capped(info, kMaxStationText));
}

void EchoLinkStation::Loop::drop(Link *link)
{
    link->dropRequested = true;
    const int id = link->id;
    if (!link->qso->disconnect())
        forceRemove(id); // the goodbye could not be sent: forget the link anyway
}

void EchoLinkStation::Loop::forceRemove(int id)
{
    auto it = links.find(id);
    if (it == links.end())
        return;
    Link *link = it->second.get();
    if (!link->dead) {
        link->dead = true;
        if (link->receiving)
            onReceiving(link, false);
        if (link->wasConnected)
            events.linkDown(link->key);
    }
    links.erase(it);
    updateRx();
}

void EchoLinkStation::Loop::removeLink(int id)
{
    auto it = links.find(id);
    if (it != links.end() && it->second->dead)
        links.erase(it);
}

void EchoLinkStation::Loop::disconnectKey(const std::string &key)
{
    lookUps.erase(std::remove_if(lookUps.begin(), lookUps.end(), [&](const LookUp &l) { return l.target.key == key; }),
                  lookUps.end());
    if (Link *link = findLink(key))
        drop(link);
}

void EchoLinkStation::Loop::disconnectEverything()
{
    lookUps.clear();
    std::vector<int> ids;
    for (const auto &[id, link] : links)
        if (!link->dead)
            ids.push_back(id);
    for (int id : ids) {
        auto it = links.find(id);
        if (it != links.end() && !it->second->dead)
            drop(it->second.get());
    }
}

void EchoLinkStation::Loop::sendChat(const std::string &text)
{
    const std::string line = outgoingChatLine(text);
    for (const auto &[id, link] : links) {
        if (link->dead || link->qso->currentState() != Qso::STATE_CONNECTED)
            continue;
        if (!link->qso->sendChatData(line))
            events.status("The chat line could not be sent to " + link->key);
    }
}

// ---------------------------------------------------------------- shut-down

void EchoLinkStation::Loop::beginClose()
{
    if (shutting)
        return;
    disconnectEverything();
    shutting = true;
    retryTimer->setEnable(false);
    logOnWatch->setEnable(false);
    const bool registered = directory
                            && (loggedOn || logOnInFlight || directory->status() == StationData::STAT_ONLINE
                                || directory->status() == StationData::STAT_BUSY);
    if (registered) {
        startTimer(*offWait, kLogOffWaitMs);
        directory->makeOffline();
    } else {
        finishClose();
    }
}

void EchoLinkStation::Loop::finishClose()
{
    if (closedSent)
        return;
    closedSent = true;
    offWait->setEnable(false);
    events.closed();
    app->quit(); // takes effect when this handler returns to the loop
}

// ---------------------------------------------------------------- the owner's side

EchoLinkStation::EchoLinkStation(StationConfig config, StationEvents &events)
    : m_config(std::move(config)), m_events(events)
{
}

EchoLinkStation::~EchoLinkStation()
{
    if (!m_loop)
        return;
    if (m_loop->thread.joinable()) {
        close();
        m_loop->thread.join();
    }
}

bool EchoLinkStation::start(std::string &error)
{
    if (m_loop) {
        error = "The EchoLink station is already started.";
        return false;
    }
    if (m_config.directoryServers.size() > StationConfig::kMostDirectoryServers) {
        error = "The EchoLink station cannot start with " + std::to_string(m_config.directoryServers.size())
                + " directory servers: give at most " + std::to_string(StationConfig::kMostDirectoryServers)
                + " (DIRECTORY in " + m_config.settingsFile + ").";
        return false;
    }
    m_loop = std::make_unique<Loop>(m_config, m_events);
    if (!m_loop->queue.isValid()) {
        error = "The EchoLink station could not start: no pipe to its thread.";
        return false;
    }
    std::future<std::string> result = m_loop->started.get_future();
    m_loop->thread = std::thread([loop = m_loop.get()] { loop->run(); });
    error = result.get(); // the local bind only: no network wait
    if (!error.empty()) {
        m_loop->thread.join();
        return false;
    }
    return true;
}

void EchoLinkStation::connectStation(const ConnectTarget &target)
{
    if (m_loop)
        m_loop->queue.push([loop = m_loop.get(), target] { loop->connectTo(target); });
}

void EchoLinkStation::disconnectStation(const std::string &key)
{
    if (m_loop)
        m_loop->queue.push([loop = m_loop.get(), key] { loop->disconnectKey(key); });
}

void EchoLinkStation::disconnectAll()
{
    if (m_loop)
        m_loop->queue.push([loop = m_loop.get()] { loop->disconnectEverything(); });
}

void EchoLinkStation::sendChat(const std::string &text)
{
    if (m_loop)
        m_loop->queue.push([loop = m_loop.get(), text] { loop->sendChat(text); });
}

void EchoLinkStation::close()
{
    if (!m_loop || m_loop->closeRequested.exchange(true))
        return;
    m_loop->queue.push([loop = m_loop.get()] { loop->beginClose(); });
    m_loop->queue.shut();
}

} // namespace gavelry::echolink
