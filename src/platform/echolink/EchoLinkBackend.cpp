#include "platform/echolink/EchoLinkBackend.h"

#include "platform/ClientState.h"
#include "platform/echolink/ConnectTarget.h"
#include "platform/echolink/EchoLinkSettings.h"
#include "platform/echolink/EchoLinkStation.h"
#include "Version.h"

#include <QLoggingCategory>
#include <QMetaObject>
#include <QStringDecoder>
#include <atomic>

// Every event from the network, for a sysop who wants to see them:
// QT_LOGGING_RULES="gavelry.echolink.debug=true".
Q_LOGGING_CATEGORY(lcEchoLink, "gavelry.echolink", QtInfoMsg)

namespace gavelry {

namespace {

using echolink::EchoLinkStation;

/// Texts from the network that may wait for the GUI thread at one time;
/// beyond that a flooding peer's texts are dropped, not queued for ever.
constexpr int kMaxWaitingTexts = 2000;

QString fromWire(const std::string &bytes)
{
    // Stations send their ANSI code page; some send UTF-8.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(QByteArray::fromStdString(bytes));
    if (utf8.hasError())
        text = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return text;
}

std::string toWire(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() > 0xff)
            return text.toUtf8().toStdString();
    return text.toLatin1().toStdString();
}

/// The client as the windows see it, on the GUI thread.
class EchoLinkClient : public ClientEvents {
    Q_OBJECT
public:
    ClientState state;

signals:
    void statusReport(const QString &text);
};

/// The station's events, carried from its thread to the client's.
class EventBridge : public echolink::StationEvents {
public:
    explicit EventBridge(EchoLinkClient &client) : m_client(client) {}

    void linkUp(const std::string &key, const std::string &name, const std::string &address) override
    {
        post([key = QString::fromStdString(key), name = fromWire(name), address = QString::fromStdString(address)](
                 EchoLinkClient &c) {
            qCInfo(lcEchoLink) << "link up:" << key << name << address;
            c.state.linkUp(key);
            emit c.connected(key, name, address);
        });
    }
    void linkDown(const std::string &key) override
    {
        post([key = QString::fromStdString(key)](EchoLinkClient &c) {
            qCInfo(lcEchoLink) << "link down:" << key;
            c.state.linkDown(key);
        });
    }
    void onTheAir() override
    {
        post([](EchoLinkClient &c) {
            qCDebug(lcEchoLink) << "on the air";
            emit c.onTheAir();
        });
    }
    void receiving(bool on) override
    {
        post([on](EchoLinkClient &c) {
            qCDebug(lcEchoLink) << "RX" << on;
            emit c.RX(on);
        });
    }
    void dtmf(const std::string &digits) override
    {
        post([d = QString::fromStdString(digits)](EchoLinkClient &c) {
            qCDebug(lcEchoLink) << "DTMF" << d;
            emit c.DTMFString(d);
        });
    }
    void stationText(const std::string &text) override
    {
        postText([t = fromWire(text)](EchoLinkClient &c) {
            qCDebug(lcEchoLink) << "station text" << t;
            emit c.StationTextReceived(t);
        });
    }
    void chatText(const std::string &line) override
    {
        postText([t = fromWire(line)](EchoLinkClient &c) {
            qCDebug(lcEchoLink) << "chat" << t;
            emit c.ChatTextReceived(t);
        });
    }
    void status(const std::string &message) override
    {
        post([m = fromWire(message)](EchoLinkClient &c) { emit c.statusReport(m); });
    }
    void closed() override
    {
        post([](EchoLinkClient &c) {
            c.state.clearLinks();
            emit c.Closing();
        });
    }

private:
    template <class F>
    void post(F &&call)
    {
        // The client outlives the station's thread; calls still queued when
        // it goes away are dropped with it.
        QMetaObject::invokeMethod(
            &m_client, [client = &m_client, call = std::forward<F>(call)] { call(*client); }, Qt::QueuedConnection);
    }

    template <class F>
    void postText(F &&call)
    {
        if (m_waiting.fetch_add(1) >= kMaxWaitingTexts) {
            m_waiting.fetch_sub(1);
            m_dropped.fetch_add(1);
            return;
        }
        post([this, call = std::forward<F>(call)](EchoLinkClient &c) {
            m_waiting.fetch_sub(1);
            if (const int dropped = m_dropped.exchange(0))
                emit c.statusReport(QStringLiteral("%1 texts from the network were dropped: they came faster than "
                                                   "they could be shown").arg(dropped));
            call(c);
        });
    }

    EchoLinkClient &m_client;
    std::atomic<int> m_waiting{0};
    std::atomic<int> m_dropped{0};
};

/// A window's handle.
class EchoLinkClientLink : public ClientLink {
public:
    EchoLinkClientLink(EchoLinkClient &client, EchoLinkStation &station)
        : ClientLink(client.state), m_station(station)
    {
        forward(&client, this);
    }

    void connectStation(const QString &callsign, bool) override
    {
        std::string why;
        const auto target = echolink::parseConnectTarget(callsign.toStdString(), why);
        if (!target)
            throw ClientError(QStringLiteral("Cannot link: %1").arg(QString::fromStdString(why)));
        m_station.connectStation(*target);
    }
    void disconnectStation(const QString &callsign) override
    {
        m_station.disconnectStation(echolink::linkKey(callsign.toStdString()));
    }
    void disconnectAll() override { m_station.disconnectAll(); }
    void sendChatText(const QString &text) override { m_station.sendChat(toWire(text)); }

private:
    EchoLinkStation &m_station;
};

static_assert(std::size_t(EchoLinkSettings::kMostDirectoryServers) == echolink::StationConfig::kMostDirectoryServers,
              "the settings refuse what the station would refuse");

echolink::StationConfig stationConfig(const EchoLinkSettings &s)
{
    echolink::StationConfig c;
    c.callsign = s.callsign.toStdString();
    c.password = toWire(s.password);
    c.name = toWire(s.name);
    c.location = toWire(s.location);
    c.info = std::string(kProductName) + " v" + kVersionText;
    if (!s.location.isEmpty())
        c.info += "\n" + toWire(s.location);
    for (const QString &host : s.directory)
        c.directoryServers.push_back(host.toStdString());
    c.bindAddress = s.bindAddress.toStdString();
    c.proxyHost = s.proxyHost.toStdString();
    c.proxyPort = s.proxyPort;
    c.proxyPassword = toWire(s.proxyPassword);
    c.gsmOnly = s.gsmOnly;
    c.settingsFile = s.path.toStdString();
    return c;
}

class EchoLinkBackend : public ClientBackend, private ClientFactory {
public:
    explicit EchoLinkBackend(const EchoLinkSettings &settings)
        : m_bridge(m_client), m_station(stationConfig(settings), m_bridge)
    {
        m_client.state.setLocalCallsign(settings.callsign);
        QObject::connect(&m_client, &EchoLinkClient::statusReport, &m_client,
                         [this](const QString &text) { reportStatus(text); });
    }

    bool start(QString &error)
    {
        std::string why;
        if (m_station.start(why))
            return true;
        error = fromWire(why);
        return false;
    }

    ClientFactory &factory() override { return *this; }
    std::unique_ptr<ClientLink> create() override { return std::make_unique<EchoLinkClientLink>(m_client, m_station); }
    void close() override { m_station.close(); }

private:
    // In this order: the station's thread ends before the bridge and the
    // client it posts to go away.
    EchoLinkClient m_client;
    EventBridge m_bridge;
    EchoLinkStation m_station;
};

} // namespace

std::unique_ptr<ClientBackend> makeEchoLinkBackend(const QString &configDir, QString &error)
{
    EchoLinkSettings settings;
    if (!loadEchoLinkSettings(configDir, settings, error))
        return nullptr;
    auto backend = std::make_unique<EchoLinkBackend>(settings);
    if (!backend->start(error))
        return nullptr;
    return backend;
}

} // namespace gavelry

#include "EchoLinkBackend.moc"
