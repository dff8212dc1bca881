#pragma once

#include <QString>
#include <QStringList>

namespace gavelry {

/// The EchoLink station's settings: echolink.ini in the settings folder,
/// section [STATION], read with the Windows profile rules of the other INI
/// files (keys in any case, blanks around "=", quoted values, CRLF).
///
///   CALLSIGN        the station's callsign (required)
///   PASSWORD        its EchoLink directory password
///   NAME            the operator's name, sent to linked stations
///   LOCATION        the directory description (27 characters are sent)
///   DIRECTORY       directory servers, host names or IPv4 addresses,
///                   comma-separated, tried in turn (servers.echolink.org);
///                   at most kMostDirectoryServers
///   BIND_ADDRESS    IPv4 address the UDP ports 5198/5199 are opened on
///                   (empty: every address)
///   PROXY           host:port of an EchoLink proxy (empty: none)
///   PROXY_PASSWORD  the proxy's password (empty: a public proxy)
///   GSM_ONLY        1 (default): speak GSM only, as stations and
///                   conference servers do; 0 lets two libecholib peers
///                   agree on Speex
struct EchoLinkSettings {
    static constexpr const char *kFileName = "echolink.ini";
    static constexpr const char *kSection = "STATION";
    static constexpr const char *kDefaultDirectory = "servers.echolink.org";
    /// The most directory servers DIRECTORY may name.
    static constexpr int kMostDirectoryServers = 32;

    QString path;
    QString callsign;
    QString password;
    QString name;
    QString location;
    QStringList directory;
    QString bindAddress;
    QString proxyHost;
    quint16 proxyPort = 0;
    QString proxyPassword;
    bool gsmOnly = true;
};

/// Reads echolink.ini from configDir into settings. When the file is not
/// there, writes a template with every key (owner-only, atomically) for the
/// sysop to fill in. Returns false with one message for the operator in
/// error when the station cannot run on what the file says: no callsign,
/// or a value that cannot be used (the message names the file and the key),
/// or a file that is there but cannot be read (the message names the file
/// and why; the file is left as it is).
bool loadEchoLinkSettings(const QString &configDir, EchoLinkSettings &settings, QString &error);

/// The text of the template written on a first start.
QString echoLinkSettingsTemplate();

} // namespace gavelry
