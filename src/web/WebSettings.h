#pragma once

#include <QHostAddress>
#include <QString>

namespace gavelry::web {

/// web.ini, section [WEB]: where the console listens and, for HTTPS, its
/// certificate and key. Keys and the section name are read without regard
/// to case, as the program's other settings files are.
struct WebSettings {
    static const QString kFileName; ///< "web.ini"
    static const QString kDefaultListen; ///< "127.0.0.1:8080"

    bool enabled = false; ///< false: a missing or empty file, or an empty LISTEN
    QHostAddress address;
    quint16 port = 0;
    QString cert; ///< PEM file; with key, the console speaks HTTPS only
    QString key;

    bool https() const { return !cert.isEmpty() && !key.isEmpty(); }

    /// Reads configDir's web.ini. False, with why, when it says something
    /// that cannot be right (a LISTEN that is no address and port, only one
    /// of CERT and KEY); the console then stays off.
    static bool read(const QString &configDir, WebSettings &settings, QString &why);
    /// Parses text as the file's content (relative CERT and KEY paths are
    /// taken from configDir).
    static bool parse(const QByteArray &text, const QString &configDir, WebSettings &settings, QString &why);
    /// "ADDRESS:PORT" or "[IPv6]:PORT".
    static bool parseListen(const QString &listen, QHostAddress &address, quint16 &port);
};

} // namespace gavelry::web
