#include "platform/echolink/EchoLinkStation.h"

#include "platform/echolink/CommandQueue.h"
#include "platform/echolink/DirectoryLogOn.h"
#include "platform/echolink/EchoLinkText.h"
#include "platform/echolink/StationLink.h"

#include <AsyncCppApplication.h>
#include <AsyncFdWatch.h>
#include <AsyncIpAddress.h>
#include <EchoLinkDispatcher.h>
#include <EchoLinkProxy.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <future>
#include <map>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace gavelry::echolink {

namespace {

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

/// The station's thread: it sets up the library, then only hands work out.
/// The owner's commands go to the links and the directory log-on, the
/// directory's answers to the links waiting for them; what concerns every
/// link at once (the receive indication, one link per address, the end) is
/// settled here.
struct EchoLinkStation::Loop : StationLink::Owner {
    Loop(const StationConfig &config, StationEvents &events, StationClock clock)
        : cfg(config), events(events), clock(std::move(clock))
    {
    }

    const StationConfig &cfg;
    StationEvents &events;
    const StationClock clock;
    CommandQueue queue;
    std::thread thread;
    std::promise<std::string> started;
    std::atomic<bool> closeRequested{false};

    // Everything below lives on the station's thread only.
    Async::CppApplication *app = nullptr;
    std::unique_ptr<EchoLink::Proxy> proxy;
    EchoLink::Dispatcher *dispatcher = nullptr;
    std::unique_ptr<Async::FdWatch> wake;
    std::unique_ptr<DirectoryLogOn> directory;
    /// By id, in the order they were asked for.
    std::map<int, std::unique_ptr<StationLink>> links;
    int nextId = 1;
    bool rxOn = false;
    bool shutting = false;
    bool closedSent = false;

    void run();
    std::string bindError(int err) const;
    void runCommands();
    void teardown();

    // The owner's commands.
    void connectTo(const ConnectTarget &target);
    void disconnectKey(const std::string &key);
    void disconnectEverything();
    void sendChat(const std::string &text);
    void beginClose();

    // The directory's answers.
    void loggedOn();
    void listArrived();
    void listFailed(const std::string &why);

    // What the links ask of the station.
    void receivingChanged() override;
    std::string linkedAt(const Async::IpAddress &ip, const StationLink &asking) override;
    void linkOver(int id) override;

    StationLink *findLink(const std::string &key);
    /// Calls f for every link there is now; links that go away meanwhile
    /// are skipped.
    template <class F>
    void eachLink(F &&f);
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

        directory = std::make_unique<DirectoryLogOn>(
            cfg, events, clock,
            DirectoryLogOn::Hooks{[this] { loggedOn(); }, [this] { listArrived(); },
                                  [this](const std::string &why) { listFailed(why); }});
        directory->logOn();
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
    // The links' connections before the dispatcher they are registered with.
    links.clear();
    directory.reset();
    wake.reset();
    if (dispatcher)
        EchoLink::Dispatcher::deleteInstance();
    dispatcher = nullptr;
    proxy.reset();
}

// ---------------------------------------------------------------- dispatch

StationLink *EchoLinkStation::Loop::findLink(const std::string &key)
{
    for (auto &[id, link] : links)
        if (!link->over() && link->key() == key)
            return link.get();
    return nullptr;
}

template <class F>
void EchoLinkStation::Loop::eachLink(F &&f)
{
    std::vector<int> ids;
    for (const auto &entry : links)
        ids.push_back(entry.first);
    for (int id : ids)
        if (auto it = links.find(id); it != links.end())
            f(*it->second);
}

void EchoLinkStation::Loop::connectTo(const ConnectTarget &target)
{
    if (shutting || findLink(target.key))
        return;
    const int id = nextId++;
    auto &link = links[id];
    link = std::make_unique<StationLink>(id, target, cfg, events, *directory, *this);
    link->start();
}

void EchoLinkStation::Loop::disconnectKey(const std::string &key)
{
    if (StationLink *link = findLink(key))
        link->end();
}

void EchoLinkStation::Loop::disconnectEverything()
{
    eachLink([](StationLink &link) { link.end(); });
}

void EchoLinkStation::Loop::sendChat(const std::string &text)
{
    const std::string line = outgoingChatLine(text);
    eachLink([&line](StationLink &link) { link.sendChat(line); });
}

void EchoLinkStation::Loop::loggedOn()
{
    const bool waiting = std::any_of(links.begin(), links.end(), [](const auto &entry) {
        return entry.second->phase() == StationLink::Phase::LookingUp;
    });
    if (waiting)
        directory->requestList();
    events.onTheAir();
}

void EchoLinkStation::Loop::listArrived()
{
    eachLink([](StationLink &link) { link.listArrived(); });
}

void EchoLinkStation::Loop::listFailed(const std::string &why)
{
    eachLink([&why](StationLink &link) { link.listFailed(why); });
}

void EchoLinkStation::Loop::receivingChanged()
{
    const bool any = std::any_of(links.begin(), links.end(), [](const auto &entry) { return entry.second->receiving(); });
    if (any != rxOn) {
        rxOn = any;
        events.receiving(any);
    }
}

std::string EchoLinkStation::Loop::linkedAt(const Async::IpAddress &ip, const StationLink &asking)
{
    for (auto it = links.begin(); it != links.end();) {
        const StationLink &other = *it->second;
        const auto address = other.address();
        if (&other == &asking || !address || *address != ip) {
            ++it;
            continue;
        }
        if (!other.over())
            return other.key();
        it = links.erase(it); // an ended link whose deletion is still on its way
    }
    return {};
}

void EchoLinkStation::Loop::linkOver(int id)
{
    auto it = links.find(id);
    if (it != links.end() && it->second->over())
        links.erase(it);
}

// ---------------------------------------------------------------- shut-down

void EchoLinkStation::Loop::beginClose()
{
    if (shutting)
        return;
    disconnectEverything();
    shutting = true;
    directory->logOff([this] { finishClose(); });
}

void EchoLinkStation::Loop::finishClose()
{
    if (closedSent)
        return;
    closedSent = true;
    events.closed();
    app->quit(); // takes effect when this handler returns to the loop
}

// ---------------------------------------------------------------- the owner's side

EchoLinkStation::EchoLinkStation(StationConfig config, StationEvents &events, StationClock clock)
    : m_config(std::move(config)), m_events(events), m_clock(std::move(clock))
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
    m_loop = std::make_unique<Loop>(m_config, m_events, m_clock);
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
