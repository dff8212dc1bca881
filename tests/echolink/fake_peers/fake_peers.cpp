// The EchoLink network on loopback for Gavelry's tests: a directory server
// on 127.0.0.3:5200 and a conference server on 127.0.0.2 (UDP 5198/5199),
// both in one Async::CppApplication. In "test" mode a script drives the
// conference (stations join, chat, talk, key DTMF, send bad packets, drop
// the link) and checks the chat lines the linked program sends; in
// "lively" mode three stations talk, chat and key DTMF without end, for soak
// runs; in "idle" mode the servers only answer. With --serve directory or
// --serve conference a process runs only that one, so that the conference
// can be stopped and started again while the directory stays.
//
// Output: one line per event on standard output, prefixed "fakes: ". Exit
// code 0 when every expectation of the script was met, 1 naming the first
// unmet one, 2 when the network could not be set up.

#include "ConferenceRoom.h"

#include <AsyncCppApplication.h>
#include <AsyncIpAddress.h>
#include <AsyncTcpConnection.h>
#include <AsyncTcpServer.h>
#include <AsyncTimer.h>
#include <AsyncUdpSocket.h>
#include <EchoLinkDispatcher.h>
#include <EchoLinkQso.h>

extern "C" {
#include <spandsp.h>
}

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace fakes;

namespace {

struct Options {
    std::string mode = "test";
    std::string serve = "both";                 // "directory", "conference" or "both"
    std::string station = "GV1BOT";             // the program's callsign
    std::string stationPassword = "dirpass";    // its directory password
    std::string adminPassword = "SECRETPW";
    std::string sysopPassword = "SYSOPPW";
    std::string conference = "*TESTCONF*";
    std::string conferenceIp = "127.0.0.2";
    std::string directoryIp = "127.0.0.3";
    std::string programIp = "127.0.0.1";
    int statusEvery = 60;                       // lively mode: seconds between status lines
};

/// Set by SIGUSR1: the lively stations stop starting anything new, so that
/// a soak run can let the last commands settle before it stops the program.
volatile std::sig_atomic_t g_quiet = 0;

void quietDown(int) { g_quiet = 1; }

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void say(const std::string &line)
{
    std::printf("fakes: %s\n", line.c_str());
    std::fflush(stdout);
}

/// Printable form of a line for the log: control characters as \r, \n, \xNN,
/// long lines cut.
std::string printable(const std::string &s, std::size_t max = 160)
{
    std::string out;
    for (std::size_t i = 0; i < s.size() && out.size() < max; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c < 32 || c > 126) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02x", c);
            out += b;
        } else
            out += char(c);
    }
    if (out.size() >= max)
        out += "...(" + std::to_string(s.size()) + " bytes)";
    return out;
}

/// Everything that happened, in order; the script's expectations look
/// for a text in the entries after the one the previous expectation matched.
class EventLog {
public:
    void add(const std::string &e)
    {
        m_events.push_back(e);
        say(printable(e, 200));
    }
    /// Index of the first entry from `from` on holding `needle`, or -1.
    long find(const std::string &needle, std::size_t from) const
    {
        for (std::size_t i = from; i < m_events.size(); ++i)
            if (m_events[i].find(needle) != std::string::npos)
                return long(i);
        return -1;
    }
    std::size_t size() const { return m_events.size(); }

private:
    std::vector<std::string> m_events;
};

// ---------------------------------------------------------------- directory

class FakeDirectory : public sigc::trackable {
public:
    FakeDirectory(const Options &o, EventLog &log) : m_opt(o), m_log(log),
        m_server("5200", Async::IpAddress(o.directoryIp))
    {
        m_server.clientConnected.connect(sigc::mem_fun(*this, &FakeDirectory::onConnected));
        m_server.clientDisconnected.connect(sigc::mem_fun(*this, &FakeDirectory::onDisconnected));
    }

    /// Current status per callsign ("ON", "BUSY", "OFF").
    std::string status(const std::string &call) const
    {
        auto it = m_status.find(call);
        return it == m_status.end() ? std::string() : it->second;
    }

private:
    void onConnected(Async::TcpConnection *con)
    {
        m_live.insert(con);
        m_buffers[con].clear();
        con->dataReceived.connect(sigc::mem_fun(*this, &FakeDirectory::onData));
    }

    void onDisconnected(Async::TcpConnection *con, Async::TcpConnection::DisconnectReason)
    {
        m_live.erase(con);
        m_buffers.erase(con);
    }

    int onData(Async::TcpConnection *con, void *buf, int count)
    {
        std::string &b = m_buffers[con];
        if (b.size() > 4096)   // a request is a few dozen bytes: ignore a flood
            return count;
        b.append(static_cast<const char *>(buf), std::size_t(count));
        const DirectoryRequest r = parseDirectoryRequest(b);
        switch (r.kind) {
        case DirectoryRequest::Incomplete:
            return count;
        case DirectoryRequest::Unknown:
            m_log.add("dir: unknown request " + printable(b, 40));
            break;
        case DirectoryRequest::StationList:
            m_log.add("dir: station list asked");
            reply(con, directoryListReply(entries()));
            break;
        case DirectoryRequest::LogOn: {
            const std::string word = r.status.rfind("ONLINE", 0) == 0 ? "ON"
                                   : r.status.rfind("BUSY", 0) == 0   ? "BUSY"
                                   : r.status.rfind("OFF", 0) == 0    ? "OFF"
                                                                      : "?";
            if (r.call != m_opt.station || r.password != m_opt.stationPassword) {
                m_log.add("dir: log-on " + word + " " + r.call + " refused: wrong callsign or password");
                reply(con, "BAD PASSWORD\n");
            } else {
                m_status[r.call] = word;
                m_description = r.description;
                m_log.add("dir: log-on " + word + " " + r.call + " \"" + printable(r.status, 40) + "\" \"" +
                          printable(r.description, 60) + "\"");
                reply(con, "OK2.6\n");
            }
            break;
        }
        }
        b.clear();
        b.push_back('\x01');   // answered: anything more on this connection is ignored
        b.resize(4097);
        return count;
    }

    void reply(Async::TcpConnection *con, const std::string &text)
    {
        con->write(text.data(), int(text.size()));
        // One command per connection: close it once the reply is out, later,
        // outside the library's receive handler (the client may close first).
        Async::Application::app().runTask([this, con] {
            if (m_live.count(con))
                con->disconnect();
            m_live.erase(con);
        });
    }

    std::vector<DirectoryEntry> entries() const
    {
        std::vector<DirectoryEntry> e;
        e.push_back({m_opt.conference, "Loopback test [3/20]", "9999", m_opt.conferenceIp});
        auto it = m_status.find(m_opt.station);
        if (it != m_status.end() && it->second != "OFF")
            e.push_back({m_opt.station, m_description + " [ON 00:00]", "1234", m_opt.programIp});
        e.push_back({"W1ABC-L", "Lakeside link [ON 00:00]", "4321", "127.0.0.9"});
        return e;
    }

    const Options &m_opt;
    EventLog &m_log;
    Async::TcpServer<Async::TcpConnection> m_server;
    std::map<Async::TcpConnection *, std::string> m_buffers;
    std::set<Async::TcpConnection *> m_live;
    std::map<std::string, std::string> m_status;
    std::string m_description;
};

// --------------------------------------------------------------- conference

class FakeConference : public sigc::trackable {
public:
    FakeConference(const Options &o, EventLog &log)
        : m_opt(o), m_log(log), m_room(o.conference, 20, o.adminPassword, o.sysopPassword),
          m_audioTimer(80, Async::Timer::TYPE_PERIODIC, false), m_upTimer(1000, Async::Timer::TYPE_ONESHOT, false)
    {
        m_dtmf = dtmf_tx_init(nullptr);
        dtmf_tx_set_timing(m_dtmf, 50, 50);
        m_audioTimer.expired.connect(sigc::mem_fun(*this, &FakeConference::sendAudioBlock));
        m_upTimer.expired.connect(sigc::mem_fun(*this, &FakeConference::upAgain));
    }
    ~FakeConference()
    {
        delete m_qso;
        dtmf_tx_free(m_dtmf);
        if (m_raw >= 0)
            ::close(m_raw);
    }

    bool start()
    {
        // Raw text packets leave from the conference's own address (any
        // port): the program keys links by the peer's address alone.
        m_raw = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        if (m_raw < 0 || ::inet_pton(AF_INET, m_opt.conferenceIp.c_str(), &a.sin_addr) != 1 ||
            ::bind(m_raw, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
            return false;
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(5198);
        if (::inet_pton(AF_INET, m_opt.programIp.c_str(), &m_to.sin_addr) != 1)
            return false;
        EchoLink::Dispatcher *d = EchoLink::Dispatcher::instance();
        if (!d)
            return false;
        d->incomingConnection.connect(sigc::mem_fun(*this, &FakeConference::onIncoming));
        return true;
    }

    ConferenceRoom &room() { return m_room; }
    bool linked() const { return m_qso && m_qso->currentState() == EchoLink::Qso::STATE_CONNECTED; }
    long chatsFromProgram() const { return m_chats; }
    long commandsFromProgram() const { return m_commands; }

    /// A raw text packet to the linked program, from the conference's address.
    void sendText(const std::string &text) { sendRaw(textPacket(text)); }
    void sendRaw(const std::string &bytes)
    {
        if (::sendto(m_raw, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr *>(&m_to), sizeof m_to) < 0)
            m_log.add("conf: a raw packet of " + std::to_string(bytes.size()) + " bytes could not be sent: " +
                      std::strerror(errno));
    }
    void sendStationList() { sendText(m_room.stationList()); }

    /// A simulated station's chat line, relayed as a conference server does.
    void relayChat(const std::string &call, const std::string &text) { sendText(call + ">" + text + "\r"); }

    void join(const std::string &call, const std::string &name)
    {
        if (m_room.join(call, name))
            sendStationList();
    }
    void leave(const std::string &call)
    {
        if (m_room.talker() == ConferenceRoom::upper(call))
            stopTalk();
        m_room.leave(call);
        sendStationList();
    }

    /// `call` keys up: audio goes out every 80 ms for `ms` milliseconds
    /// (forever when negative), with `dtmf` keyed at its start.
    void startTalk(const std::string &call, long ms, const std::string &dtmf = {})
    {
        m_talkEnd = ms < 0 ? -1 : nowMs() + ms;
        if (!dtmf.empty())
            dtmf_tx_put(m_dtmf, dtmf.c_str(), -1);
        if (m_room.talker() != ConferenceRoom::upper(call)) {
            m_room.setTalker(call);
            sendStationList();
        }
        m_audioTimer.setEnable(true);
    }
    void stopTalk()
    {
        m_audioTimer.setEnable(false);
        if (!m_room.talker().empty()) {
            m_room.setTalker("");
            sendStationList();
        }
    }
    bool talking() const { return !m_room.talker().empty(); }

    /// The server restarts while the program's link stays up, as a real one
    /// does when it is restarted within the link's time-out: for downMs it
    /// takes nothing and relays nothing, then it takes the program's
    /// packets again and sends the station list, with no word about the
    /// log-on it forgot. From then on the admin password is adminPassword.
    void restart(long downMs, const std::string &adminPassword)
    {
        m_room.restart(adminPassword);
        m_downUntil = nowMs() + downMs;
        m_talkAfterRestart = m_audioTimer.isEnabled();
        m_audioTimer.setEnable(false);
        m_log.add("conf: restarting, down for " + std::to_string(downMs) + " ms");
        m_upTimer.setEnable(false);
        m_upTimer.setTimeout(int(downMs));
        m_upTimer.setEnable(true);
    }

    /// The conference drops the program's link (BYE), as after ".disconnect".
    void dropLink()
    {
        if (m_qso)
            m_qso->disconnect();
    }

private:
    void onIncoming(const Async::IpAddress &ip, const std::string &call, const std::string &name,
                    const std::string &priv)
    {
        if (m_qso)
            return;   // one link: the program's
        if (ip != Async::IpAddress(m_opt.programIp)) {
            m_log.add("conf: connect from unexpected " + ip.toString() + " ignored");
            return;
        }
        m_qso = new EchoLink::Qso(ip, m_opt.conference, "Loopback", "Loopback test conference");
        if (!m_qso->initOk()) {
            m_log.add("conf: cannot make a link for " + call);
            delete m_qso;
            m_qso = nullptr;
            return;
        }
        m_qso->setUseGsmOnly();
        m_qso->setRemoteParams(priv);
        m_qso->setRemoteName(name);
        m_qso->setRemoteCallsign(call);
        m_qso->chatMsgReceived.connect(sigc::mem_fun(*this, &FakeConference::onChat));
        m_qso->stateChange.connect(sigc::mem_fun(*this, &FakeConference::onState));
        m_log.add("conf: connect from " + call + " at " + ip.toString());
        m_qso->accept();
    }

    void onState(EchoLink::Qso::State s)
    {
        if (s == EchoLink::Qso::STATE_CONNECTED) {
            m_linkedCall = m_qso->remoteCallsign();
            m_log.add("conf: link up " + m_linkedCall);
            m_room.join(m_linkedCall, m_qso->remoteName(), true);
            sendStationList();
        } else if (s == EchoLink::Qso::STATE_DISCONNECTED) {
            m_log.add("conf: link down " + m_linkedCall);
            m_room.leave(m_linkedCall);
            m_audioTimer.setEnable(false);
            EchoLink::Qso *q = m_qso;
            m_qso = nullptr;
            // Never delete a link inside its own signal.
            Async::Application::app().runTask([q] { delete q; });
            if (!m_room.stations().empty())
                sendStationList();   // to nobody now, but a real server lists the leave
        }
    }

    void upAgain(Async::Timer *)
    {
        m_log.add("conf: up again");
        sendStationList();
        if (m_talkAfterRestart && talking())
            m_audioTimer.setEnable(true);
    }

    /// A chat line that is no command goes to every station; the ordinary
    /// ones are named, so a test sees who got a notice.
    void relayed(const std::string &text)
    {
        std::string calls;
        for (const Station &s : m_room.stations())
            if (!s.local && !m_room.isLoggedOn(s.call))
                calls += (calls.empty() ? "" : " ") + s.call;
        m_log.add("heard by " + (calls.empty() ? std::string("nobody") : calls) + ": " + text);
    }

    void onChat(const std::string &msg)
    {
        // "CALL>text" with the library's trailing line ends.
        std::string line = msg;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        const std::size_t gt = line.find('>');
        const std::string from = gt == std::string::npos ? m_linkedCall : line.substr(0, gt);
        const std::string text = gt == std::string::npos ? line : line.substr(gt + 1);
        if (nowMs() < m_downUntil) {
            m_log.add("conf: restarting, not taken: " + text);
            return;
        }
        // A server drops a station's identical chat line within 10 s;
        // commands are exempt.
        const long long now = nowMs();
        if (!text.empty() && text[0] != '.' && text == m_lastLine && now - m_lastLineAt < 10000) {
            m_log.add("chat dropped as a repeat within 10 s: " + text);
            return;
        }
        if (text.empty() || text[0] != '.') {
            m_lastLine = text;
            m_lastLineAt = now;
        }
        ++m_chats;
        if (!text.empty() && text[0] == '.')
            ++m_commands;
        m_log.add("chat: " + text);
        if (text.empty() || text[0] != '.')
            relayed(text);
        const ConferenceRoom::Answer a = m_room.command(from, text);
        if (!a.reply.empty())
            sendText(a.reply);
        if (!a.toSysops.empty())
            sendText(a.toSysops);
        if (ConferenceRoom::upper(a.disconnect) == ConferenceRoom::upper(m_linkedCall)) {
            dropLink();
            return;
        }
        // A muted talker's audio goes no further.
        if (!m_room.talker().empty() && m_room.isMuted(m_room.talker())) {
            m_log.add("conf: audio of muted " + m_room.talker() + " dropped");
            m_audioTimer.setEnable(false);
            m_room.setTalker("");
        } else if (!a.disconnect.empty() && !m_room.has(m_room.talker())) {
            m_audioTimer.setEnable(false);
        }
        if (a.listChanged)
            sendStationList();
    }

    void sendAudioBlock(Async::Timer *)
    {
        if (!linked())
            return;
        if (m_talkEnd >= 0 && nowMs() >= m_talkEnd) {
            stopTalk();
            return;
        }
        // 80 ms: four GSM frames, one voice packet. DTMF digits first, then
        // a voice-like pair of tones away from the DTMF frequencies.
        constexpr int n = 640;
        int16_t pcm[n];
        int got = dtmf_tx(m_dtmf, pcm, n);
        for (int i = got; i < n; ++i, ++m_phase) {
            const double t = double(m_phase) / 8000.0;
            pcm[i] = int16_t(3000.0 * std::sin(2 * M_PI * 300.0 * t) + 2000.0 * std::sin(2 * M_PI * 520.0 * t));
        }
        float samples[n];
        // A little noise under the voice, as on a radio link. Not under the
        // digits: through GSM even this much noise fills the 50 ms gap
        // between two equal digits ("55" is heard as "5").
        const int noise = got > 0 ? 0 : 400;
        for (int i = 0; i < n; ++i)
            samples[i] = float(pcm[i] + (noise ? int(m_noise() % 801) - noise : 0)) / 32768.0f;
        m_qso->writeSamples(samples, n);
    }

    const Options &m_opt;
    EventLog &m_log;
    ConferenceRoom m_room;
    int m_raw = -1;
    sockaddr_in m_to{};
    Async::Timer m_audioTimer;
    Async::Timer m_upTimer;
    long long m_downUntil = 0;
    bool m_talkAfterRestart = false;
    dtmf_tx_state_t *m_dtmf = nullptr;
    EchoLink::Qso *m_qso = nullptr;
    std::string m_linkedCall;
    long long m_talkEnd = -1;
    long m_phase = 0;
    long m_chats = 0;
    long m_commands = 0;
    std::string m_lastLine;
    long long m_lastLineAt = 0;
    std::minstd_rand m_noise{7};
};

// ------------------------------------------------------------------- script

struct Step {
    enum Kind { Do, Expect, Wait };
    Kind kind;
    std::string what;                 // expectation text, or a description
    long timeoutMs = 0;               // Expect: how long to wait; Wait: how long
    std::function<void()> action;     // Do
};

class Script : public sigc::trackable {
public:
    Script(EventLog &log, std::vector<Step> steps)
        : m_log(log), m_steps(std::move(steps)), m_tick(50, Async::Timer::TYPE_PERIODIC)
    {
        m_tick.expired.connect(sigc::mem_fun(*this, &Script::run));
        m_stepStart = nowMs();
    }
    int result() const { return m_result; }

private:
    void run(Async::Timer *)
    {
        while (m_next < m_steps.size()) {
            const Step &s = m_steps[m_next];
            if (s.kind == Step::Do) {
                say("step " + std::to_string(m_next + 1) + ": " + s.what);
                s.action();
            } else if (s.kind == Step::Wait) {
                if (nowMs() - m_stepStart < s.timeoutMs)
                    return;
            } else {
                const long at = m_log.find(s.what, m_cursor);
                if (at < 0) {
                    if (nowMs() - m_stepStart < s.timeoutMs)
                        return;
                    say("UNMET EXPECTATION (step " + std::to_string(m_next + 1) + "): \"" + s.what +
                        "\" not seen within " + std::to_string(s.timeoutMs / 1000) + " s");
                    finish(1);
                    return;
                }
                say("step " + std::to_string(m_next + 1) + " met: " + printable(s.what, 80));
                m_cursor = std::size_t(at) + 1;
            }
            ++m_next;
            m_stepStart = nowMs();
        }
        say("ALL EXPECTATIONS MET");
        finish(0);
    }

    void finish(int code)
    {
        m_result = code;
        m_tick.setEnable(false);
        Async::Application::app().quit();
    }

    EventLog &m_log;
    std::vector<Step> m_steps;
    Async::Timer m_tick;
    std::size_t m_next = 0;
    std::size_t m_cursor = 0;
    long long m_stepStart = 0;
    int m_result = 1;
};

std::vector<Step> testScript(const Options &o, FakeConference &conf)
{
    using S = Step;
    auto act = [](std::string what, std::function<void()> f) { return S{S::Do, std::move(what), 0, std::move(f)}; };
    auto expect = [](std::string what, long seconds) { return S{S::Expect, std::move(what), seconds * 1000, {}}; };
    auto wait = [](long ms) { return S{S::Wait, "wait", ms, {}}; };

    std::string big500 = "CONF " + o.conference + " [500/500]\r\r->W1ABC Lakeside\r";
    for (int i = 1; i < 500; ++i)
        big500 += "K" + std::to_string(1000 + i) + "X Station " + std::to_string(i) + "\r";
    std::string nuls(400, '\0');
    std::string nulText = "oNDATA" + std::string(300, '\0') + "N0CALL>after nuls\r";
    std::string garbage;
    std::mt19937 rng(11);
    for (int i = 0; i < 900; ++i)
        garbage.push_back(char(rng() & 0xff));
    garbage[0] = 'x';   // neither audio (0xC0) nor a valid text packet
    std::string oversized = textPacket("N0CALL>" + std::string(60000, 'Z') + "\r");
    std::string chat10k = std::string(10240, 'q');

    return {
        expect("dir: log-on ON " + o.station, 30),
        expect("conf: link up " + o.station, 90),
        expect("chat: .admin " + o.adminPassword, 15),
        act("stations join", [&conf] {
            conf.join("W1ABC", "Lakeside");
            conf.join("N0CALL", "Test");
            conf.join("K2XYZ", "Hilltop");
        }),
        wait(500),
        act("N0CALL probes the chat", [&conf] { conf.relayChat("N0CALL", "hello /chat/ test"); }),
        expect("chat: Chat-KZ v", 15),
        act("W1ABC keys DTMF 55 (mute code of N0CALL)", [&conf] { conf.startTalk("W1ABC", 2500, "55"); }),
        expect("chat: .mute N0CALL", 20),
        expect("You have been Muted from the server", 10),
        wait(1500),
        act("W1ABC keys up and holds the transmitter", [&conf] { conf.startTalk("W1ABC", -1); }),
        wait(3000),
        act("garbage, oversized and NUL-filled packets", [&conf, garbage, oversized, nuls, nulText] {
            conf.sendRaw(garbage);
            conf.sendRaw(oversized);
            conf.sendRaw(nuls);
            conf.sendRaw(nulText);
            conf.sendRaw(std::string("oNDATA"));   // text packet with no text and no NUL
        }),
        act("a 10 kB chat line", [&conf, chat10k] { conf.relayChat("K2XYZ", chat10k); }),
        act("a 500-station list", [&conf, big500] { conf.sendText(big500); }),
        wait(500),
        act("the real station list again", [&conf] { conf.sendStationList(); }),
        act("K2XYZ probes the chat", [&conf] { conf.relayChat("K2XYZ", "still there? /chat/"); }),
        expect("chat: Chat-KZ v", 15),
        expect("chat: .mute .", 80),
        expect("chat: ** Auto Mute ** Has been sent to W1ABC the node exceeding the conference key down limit of 1 minutes", 10),
        wait(1000),
        act("K2XYZ keys DTMF 66 and the link drops mid-transmission", [&conf] { conf.startTalk("K2XYZ", -1, "66"); }),
        wait(2500),
        act("the conference drops the link", [&conf] { conf.dropLink(); }),
        expect("conf: link down", 10),
        act("ready for the program to stop", [] { say("SHUTDOWN NOW"); }),
        expect("dir: log-on OFF " + o.station, 60),
    };
}

/// What the server answers: a refused un-ban, a plain notice every station
/// hears, a restart that forgets the log-on (and the talker muted after it),
/// a restart with a new admin password, and a station typing the server's
/// answer to a log-on.
std::vector<Step> answersScript(const Options &o, FakeConference &conf)
{
    using S = Step;
    auto act = [](std::string what, std::function<void()> f) { return S{S::Do, std::move(what), 0, std::move(f)}; };
    auto expect = [](std::string what, long seconds) { return S{S::Expect, std::move(what), seconds * 1000, {}}; };
    auto wait = [](long ms) { return S{S::Wait, "wait", ms, {}}; };
    const std::string admin = o.adminPassword;
    return {
        act("stations join", [&conf] {
            conf.join("W1ABC", "Lakeside");
            conf.join("N0CALL", "Test");
            conf.join("K2XYZ", "Hilltop");
        }),
        expect("dir: log-on ON " + o.station, 30),
        expect("conf: link up " + o.station, 90),
        expect("chat: .admin " + admin, 15),
        // The program's un-ban slot ran out while it was not running; its
        // notice goes plain, to every station.
        expect("chat: .ban delete K9PEST", 15),
        expect("heard by W1ABC N0CALL K2XYZ: (", 10),
        act("W1ABC keys up and holds the transmitter", [&conf] { conf.startTalk("W1ABC", -1); }),
        wait(1000),
        act("the conference server restarts, down 2 s", [&conf, admin] { conf.restart(2000, admin); }),
        expect("conf: up again", 5),
        expect("chat: .admins", 60),
        expect("chat: .admin " + admin, 10),
        expect("chat: .mute .", 75),
        expect("conf: audio of muted W1ABC dropped", 5),
        act("the conference server restarts with a new admin password",
            [&conf] { conf.restart(2000, "CHANGEDPW"); }),
        expect("conf: up again", 5),
        expect("chat: .admins", 60),
        expect("chat: .admin " + admin, 10),
        wait(11000),
        act("K2XYZ types the server's answer to a log-on",
            [&conf] { conf.relayChat("K2XYZ", "Your wish is my command."); }),
        wait(3000),
        act("ready for the program to stop", [] { say("SHUTDOWN NOW"); }),
        expect("dir: log-on OFF " + o.station, 60),
    };
}

/// Three stations that talk, chat and key DTMF at random, without end: the
/// soak run's conference. A station keys the mute or unmute code of one of
/// the other two (never its own: a muted station's audio goes no further,
/// and so at least the one keying stays unmuted), or digits that match no
/// code. The codes are those the soak run's settings give
/// (bench/echolink_soak.py).
class Lively : public sigc::trackable {
public:
    Lively(const Options &o, EventLog &log, FakeConference &conf, const FakeDirectory *dir)
        : m_opt(o), m_log(log), m_conf(conf), m_dir(dir), m_tick(1000, Async::Timer::TYPE_PERIODIC), m_rng(2026)
    {
        m_tick.expired.connect(sigc::mem_fun(*this, &Lively::tick));
        m_started = nowMs();
    }

private:
    struct Caller {
        const char *call, *name, *muteCode, *unmuteCode;
    };
    static constexpr Caller kCallers[3] = {
        {"N0CALL", "Test", "55", "56"},
        {"K2XYZ", "Hilltop", "66", "67"},
        {"W1ABC", "Lakeside", "77", "78"},
    };

    int rnd(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    std::string digitsFor(const Caller &keyer)
    {
        const int pick = rnd(0, 4);
        if (pick == 4)
            return std::to_string(rnd(100, 999));   // no code has three digits
        std::vector<const Caller *> others;
        for (const Caller &c : kCallers)
            if (&c != &keyer)
                others.push_back(&c);
        const Caller &target = *others[std::size_t(pick % 2)];
        return pick < 2 ? target.muteCode : target.unmuteCode;
    }

    void tick(Async::Timer *)
    {
        ++m_seconds;
        if (g_quiet && !m_quiet) {
            m_quiet = true;
            say("quiet: no more talk, chat or DTMF");
        }
        if (m_conf.linked() && !m_quiet) {
            if (!m_wasLinked) {
                ++m_links;
                for (const Caller &c : kCallers)
                    m_conf.join(c.call, c.name);
            }
            // Talkers take turns: 2..15 s each, a short break between;
            // every fourth keys DTMF at the start.
            if (!m_conf.talking() && --m_nextTalk <= 0) {
                std::vector<const Caller *> free;
                for (const Caller &c : kCallers)
                    if (!m_conf.room().isMuted(c.call))
                        free.push_back(&c);
                if (!free.empty()) {
                    const Caller &talker = *free[std::size_t(rnd(0, int(free.size()) - 1))];
                    std::string digits;
                    if (rnd(0, 3) == 0) {
                        digits = digitsFor(talker);
                        ++m_keyed;
                        m_log.add(std::string("dtmf: ") + talker.call + " keys " + digits);
                    }
                    m_conf.startTalk(talker.call, rnd(2000, 15000), digits);
                }
                m_nextTalk = rnd(1, 5);
            }
            // Chat: a line every few seconds, now and then a probe.
            if (--m_nextChat <= 0) {
                const int n = ++m_chatCount;
                m_conf.relayChat(kCallers[rnd(0, 2)].call, n % 10 == 0 ? "probe " + std::to_string(n) + " /chat/"
                                                                        : "line " + std::to_string(n) + " of chat");
                m_nextChat = rnd(2, 6);
            }
        }
        m_wasLinked = m_conf.linked();
        if (m_seconds % m_opt.statusEvery == 0) {
            const std::string dir = m_dir ? m_dir->status(m_opt.station) : std::string();
            say("status t=" + std::to_string((nowMs() - m_started) / 1000) + "s link=" + (m_conf.linked() ? "up" : "down") +
                " links=" + std::to_string(m_links) + " chat_sent=" + std::to_string(m_chatCount) +
                " dtmf_keyed=" + std::to_string(m_keyed) +
                " chat_from_program=" + std::to_string(m_conf.chatsFromProgram()) +
                " commands_from_program=" + std::to_string(m_conf.commandsFromProgram()) +
                " directory=" + (dir.empty() ? "none" : dir));
        }
    }

    const Options &m_opt;
    EventLog &m_log;
    FakeConference &m_conf;
    const FakeDirectory *m_dir;
    Async::Timer m_tick;
    std::mt19937 m_rng;
    long long m_started = 0;
    long m_seconds = 0;
    int m_nextTalk = 3;
    int m_nextChat = 2;
    long m_chatCount = 0;
    long m_keyed = 0;
    long m_links = 0;
    bool m_wasLinked = false;
    bool m_quiet = false;
};

/// Whether TCP `port` on `ip` can be listened on (the Async server only
/// prints a complaint when it cannot).
bool tcpPortFree(const std::string &ip, int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    const bool ok = ::inet_pton(AF_INET, ip.c_str(), &a.sin_addr) == 1 &&
                    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 && ::listen(fd, 1) == 0;
    ::close(fd);
    return ok;
}

bool parse(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string &into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        std::string n;
        bool ok = true;
        if (a == "--mode")
            ok = value(o.mode) && (o.mode == "test" || o.mode == "lively" || o.mode == "idle" || o.mode == "answers");
        else if (a == "--serve")
            ok = value(o.serve) && (o.serve == "both" || o.serve == "directory" || o.serve == "conference");
        else if (a == "--station")
            ok = value(o.station);
        else if (a == "--station-password")
            ok = value(o.stationPassword);
        else if (a == "--admin-password")
            ok = value(o.adminPassword);
        else if (a == "--conference")
            ok = value(o.conference);
        else if (a == "--conference-ip")
            ok = value(o.conferenceIp);
        else if (a == "--directory-ip")
            ok = value(o.directoryIp);
        else if (a == "--program-ip")
            ok = value(o.programIp);
        else if (a == "--status-every")
            ok = value(n) && (o.statusEvery = std::atoi(n.c_str())) > 0;
        else
            ok = false;
        if (!ok) {
            std::fprintf(stderr,
                         "usage: %s [--mode test|lively|idle|answers] [--serve both|directory|conference] [--station CALL] [--station-password PW] "
                         "[--admin-password PW] [--conference *NAME*] [--status-every SECONDS]\n"
                         "       [--conference-ip A.B.C.D] [--directory-ip A.B.C.D] [--program-ip A.B.C.D]\n"
                         "bad argument: %s\n",
                         argv[0], a.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    if (!parse(argc, argv, o))
        return 2;
    const bool withDirectory = o.serve != "conference";
    const bool withConference = o.serve != "directory";
    if ((o.mode == "test" && o.serve != "both") || (o.mode == "lively" && !withConference)) {
        std::fprintf(stderr, "%s: mode %s needs --serve %s\n", argv[0], o.mode.c_str(),
                     o.mode == "test" ? "both" : "both or conference");
        return 2;
    }
    Async::CppApplication app;
    EventLog log;

    std::unique_ptr<FakeDirectory> directory;
    if (withDirectory) {
        if (!tcpPortFree(o.directoryIp, 5200)) {
            say("cannot listen on TCP " + o.directoryIp + ":5200 for the directory (in use?)");
            return 2;
        }
        directory = std::make_unique<FakeDirectory>(o, log);
    }
    std::unique_ptr<FakeConference> conference;
    if (withConference) {
        EchoLink::Dispatcher::setBindAddr(Async::IpAddress(o.conferenceIp));
        conference = std::make_unique<FakeConference>(o, log);
        if (!conference->start()) {
            say("cannot open UDP 5198/5199 on " + o.conferenceIp + " for the conference");
            return 2;
        }
    }
    say("READY" + (directory ? " directory " + o.directoryIp + ":5200" : std::string()) +
        (conference ? " conference " + o.conference + " at " + o.conferenceIp : std::string()) + " (mode " + o.mode +
        ")");

    // In idle mode the servers only answer, until the process is stopped.
    std::unique_ptr<Script> script;
    std::unique_ptr<Lively> lively;
    if (o.mode == "test")
        script = std::make_unique<Script>(log, testScript(o, *conference));
    else if (o.mode == "answers")
        script = std::make_unique<Script>(log, answersScript(o, *conference));
    else if (o.mode == "lively") {
        lively = std::make_unique<Lively>(o, log, *conference, directory.get());
        std::signal(SIGUSR1, quietDown);
    }
    app.exec();
    const int code = script ? script->result() : 0;
    script.reset();
    lively.reset();
    if (conference) {
        conference.reset();   // its link before the dispatcher the link is registered with
        EchoLink::Dispatcher::deleteInstance();
    }
    return code;
}
