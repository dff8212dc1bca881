#pragma once

// One link of the station, from the moment it is asked for to its end: the
// look-up of the far end's address, the QSO with its received texts, audio
// and DTMF, and the goodbye. The link tells the station's events itself; its
// owner hears only what concerns every link at once: that its receive state
// changed, that it needs an address free of other links, and that it is over
// and may be deleted. Lives on the station's thread.

#include "platform/echolink/ConnectTarget.h"
#include "platform/echolink/EchoLinkStation.h"
#include "platform/echolink/OneShot.h"

#include <AsyncIpAddress.h>
#include <sigc++/sigc++.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace EchoLink {
class Qso;
}

namespace gavelry::echolink {

class DirectoryLogOn;

class StationLink {
public:
    enum class Phase {
        LookingUp,  ///< waiting for the directory to give the address
        Connecting, ///< the connect packets are out, no answer yet
        Up,         ///< linked
        Over,       ///< ended; waits to be deleted
    };

    class Owner {
    public:
        virtual ~Owner() = default;
        /// The link started or stopped receiving audio.
        virtual void receivingChanged() = 0;
        /// The library keeps one connection per remote address: the key of
        /// another live link at ip, if any (an ended one there is deleted
        /// at once), else empty.
        virtual std::string linkedAt(const Async::IpAddress &ip, const StationLink &asking) = 0;
        /// The link is over: delete it. Called from the loop, never from
        /// inside one of the link's own handlers.
        virtual void linkOver(int id) = 0;
    };

    StationLink(int id, ConnectTarget target, const StationConfig &config, StationEvents &events,
                DirectoryLogOn &directory, Owner &owner);
    ~StationLink();
    StationLink(const StationLink &) = delete;
    StationLink &operator=(const StationLink &) = delete;

    int id() const { return m_id; }
    const std::string &key() const { return m_target.key; }
    Phase phase() const { return m_phase; }
    bool over() const { return m_phase == Phase::Over; }
    bool receiving() const { return m_receiving; }
    /// The far end's address, once the connection is made.
    std::optional<Async::IpAddress> address() const;

    /// Starts the link: straight to an address, or through a fresh enough
    /// station list, or by asking the directory for one.
    void start();
    /// A station list came in: a link still looking up takes its address
    /// from it.
    void listArrived();
    /// The directory could not send its station list.
    void listFailed(const std::string &why);
    /// The operator (or the station's end) ends the link: a goodbye, and no
    /// word on the status line.
    void end();
    /// One chat line (already made safe to send) to the far end, when up.
    void sendChat(const std::string &line);

private:
    void dial(const Async::IpAddress &ip);
    void stateChanged(int state);
    void receivingAudio(bool on);
    void chatReceived(const std::string &text);
    void infoReceived(const std::string &text);
    /// The end of the link: the receive indication falls, linkDown when it
    /// was up, why on the status line when there is something to say.
    void finish(const std::string &why);
    void failBeforeLink(const std::string &why) { finish("No link to " + key() + ": " + why); }

    class DtmfSink;

    const int m_id;
    const ConnectTarget m_target;
    const StationConfig &m_cfg;
    StationEvents &m_events;
    DirectoryLogOn &m_directory;
    Owner &m_owner;

    Phase m_phase = Phase::LookingUp;
    bool m_byeReceived = false;
    bool m_endRequested = false;
    bool m_receiving = false;
    OneShot m_lookUpWait;
    std::unique_ptr<DtmfSink> m_sink;
    std::unique_ptr<EchoLink::Qso> m_qso;
    std::vector<sigc::connection> m_connections;
};

} // namespace gavelry::echolink
