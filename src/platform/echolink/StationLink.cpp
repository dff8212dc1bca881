#include "platform/echolink/StationLink.h"

#include "platform/echolink/DirectoryLogOn.h"
#include "platform/echolink/DtmfCollector.h"
#include "platform/echolink/EchoLinkText.h"

#include <AsyncApplication.h>
#include <AsyncAudioSink.h>
#include <EchoLinkQso.h>

#include <algorithm>

namespace gavelry::echolink {

using EchoLink::Qso;

/// The link's received audio, into its DTMF collector.
class StationLink::DtmfSink : public Async::AudioSink {
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

StationLink::StationLink(int id, ConnectTarget target, const StationConfig &config, StationEvents &events,
                         DirectoryLogOn &directory, Owner &owner)
    : m_id(id), m_target(std::move(target)), m_cfg(config), m_events(events), m_directory(directory),
      m_owner(owner), m_lookUpWait([this] {
          failBeforeLink("the EchoLink directory did not give its address within "
                         + std::to_string(EchoLinkStation::kLookUpWaitMs / 1000) + " s"
                         + (m_directory.loggedOn() ? std::string() : std::string(" (not logged on to the directory)")));
      }),
      m_sink(std::make_unique<DtmfSink>())
{
}

StationLink::~StationLink()
{
    for (sigc::connection &c : m_connections)
        c.disconnect();
    if (m_qso) {
        m_qso->unregisterSink();
        m_qso.reset();
    }
}

std::optional<Async::IpAddress> StationLink::address() const
{
    if (!m_qso)
        return std::nullopt;
    return m_qso->remoteIp();
}

void StationLink::start()
{
    if (m_target.byAddress()) {
        dial(Async::IpAddress(m_target.address));
        return;
    }
    if (const auto ip = m_directory.addressOf(m_target.callsign, true)) {
        dial(*ip);
        return;
    }
    m_lookUpWait.start(EchoLinkStation::kLookUpWaitMs);
    m_directory.requestList();
}

void StationLink::listArrived()
{
    if (m_phase != Phase::LookingUp)
        return;
    if (const auto ip = m_directory.addressOf(m_target.callsign, false))
        dial(*ip);
    else
        failBeforeLink("it is not logged on to the EchoLink directory");
}

void StationLink::listFailed(const std::string &why)
{
    if (m_phase == Phase::LookingUp)
        failBeforeLink("the EchoLink directory did not send its station list (" + why + ")");
}

void StationLink::dial(const Async::IpAddress &ip)
{
    m_lookUpWait.stop();
    const std::string other = m_owner.linkedAt(ip, *this);
    if (!other.empty()) {
        failBeforeLink(other + " is linked at the same address " + ip.toString());
        return;
    }
    if (!ip.isUnicast()) {
        failBeforeLink("its address " + ip.toString() + " cannot be linked to");
        return;
    }
    m_qso = std::make_unique<Qso>(ip, m_cfg.callsign, m_cfg.name, m_cfg.info);
    if (!m_qso->initOk()) {
        failBeforeLink("the EchoLink library refused the address " + ip.toString());
        return;
    }
    if (m_cfg.gsmOnly)
        m_qso->setUseGsmOnly();
    m_qso->setLocalName(m_cfg.name); // after setUseGsmOnly: announces GSM only
    m_qso->registerSink(m_sink.get());
    m_connections.push_back(m_qso->stateChange.connect([this](Qso::State s) { stateChanged(s); }));
    m_connections.push_back(m_qso->isReceiving.connect([this](bool on) { receivingAudio(on); }));
    m_connections.push_back(m_qso->chatMsgReceived.connect([this](const std::string &t) { chatReceived(t); }));
    m_connections.push_back(m_qso->infoMsgReceived.connect([this](const std::string &t) { infoReceived(t); }));
    m_phase = Phase::Connecting;
    if (!m_qso->connect())
        failBeforeLink("the connect packet could not be sent to " + ip.toString());
}

void StationLink::stateChanged(int state)
{
    if (over())
        return;
    switch (state) {
    case Qso::STATE_CONNECTED: {
        m_phase = Phase::Up;
        std::string name = m_qso->remoteName();
        if (name == "?")
            name.clear();
        m_events.linkUp(key(), name, m_qso->remoteIp().toString());
        break;
    }
    case Qso::STATE_BYE_RECEIVED:
        m_byeReceived = true;
        break;
    case Qso::STATE_DISCONNECTED:
        if (m_phase == Phase::Up)
            finish(m_byeReceived ? key() + " ended the link" : "The link to " + key() + " dropped: it stopped answering");
        else
            finish(m_byeReceived ? "No link to " + key() + ": it refused the link"
                                 : "No link to " + key() + ": it did not answer");
        break;
    default:
        break;
    }
}

void StationLink::receivingAudio(bool on)
{
    if (m_receiving == on)
        return;
    m_receiving = on;
    if (!on) {
        // The transmission ended: its digits as one sequence.
        const std::string digits = m_sink->collector.finish();
        if (!digits.empty())
            m_events.dtmf(digits);
    }
    m_owner.receivingChanged();
}

void StationLink::chatReceived(const std::string &text)
{
    const ReceivedText received = classifyReceivedText(text);
    switch (received.kind) {
    case TextKind::Nothing:
        break;
    case TextKind::StationList:
        m_events.stationText(cutToBytes(received.text, EchoLinkStation::kMaxStationText));
        break;
    case TextKind::Chat:
        m_events.chatText(cutToBytes(received.text, EchoLinkStation::kMaxChatText));
        break;
    }
}

void StationLink::infoReceived(const std::string &text)
{
    // An info packet (it starts with CR on the wire) is station information.
    if (text.find_first_not_of("\r\n") == std::string::npos)
        return;
    std::string info = text;
    std::replace(info.begin(), info.end(), '\r', '\n');
    m_events.stationText(cutToBytes(info, EchoLinkStation::kMaxStationText));
}

void StationLink::end()
{
    if (over())
        return;
    m_endRequested = true;
    // A goodbye that goes out ends the connection at once, and its state
    // handler finishes the link; one that cannot be sent leaves the link to
    // be finished here all the same.
    if (m_qso)
        m_qso->disconnect();
    finish({});
}

void StationLink::sendChat(const std::string &line)
{
    if (over() || !m_qso || m_qso->currentState() != Qso::STATE_CONNECTED)
        return;
    if (!m_qso->sendChatData(line))
        m_events.status("The chat line could not be sent to " + key());
}

void StationLink::finish(const std::string &why)
{
    if (over())
        return;
    const bool wasUp = m_phase == Phase::Up;
    m_phase = Phase::Over;
    m_lookUpWait.stop();
    if (m_receiving)
        receivingAudio(false);
    if (wasUp)
        m_events.linkDown(key());
    if (!m_endRequested && !why.empty())
        m_events.status(why);
    // Never inside the connection's own signal: later, from the loop.
    Async::Application::app().runTask([owner = &m_owner, id = m_id] { owner->linkOver(id); });
}

} // namespace gavelry::echolink
