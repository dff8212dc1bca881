#include "web/WebSettings.h"

#include <QDir>
#include <QFile>

namespace gavelry::web {

const QString WebSettings::kFileName = QStringLiteral("web.ini");
const QString WebSettings::kDefaultListen = QStringLiteral("127.0.0.1:8080");

bool WebSettings::parseListen(const QString &listen, QHostAddress &address, quint16 &port)
{
    const qsizetype colon = listen.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    QString host = listen.left(colon).trimmed();
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint number = listen.mid(colon + 1).trimmed().toUInt(&ok);
    if (!ok || number == 0 || number > 65535 || !address.setAddress(host))
        return false;
    port = quint16(number);
    return true;
}

bool WebSettings::parse(const QByteArray &text, const QString &configDir, WebSettings &settings, QString &why)
{
    settings = WebSettings();
    bool inWeb = false;
    bool any = false;
    bool listenGiven = false;
    QString listen;
    for (const QByteArray &raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inWeb = line.compare(QStringLiteral("[WEB]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inWeb || eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toUpper();
        const QString value = line.mid(eq + 1).trimmed();
        any = true;
        if (key == QLatin1String("LISTEN")) {
            listenGiven = true;
            listen = value;
        } else if (key == QLatin1String("CERT")) {
            settings.cert = value;
        } else if (key == QLatin1String("KEY")) {
            settings.key = value;
        }
    }
    if (!any || (listenGiven && listen.isEmpty()))
        return true; // off
    if (!listenGiven)
        listen = kDefaultListen;
    if (!parseListen(listen, settings.address, settings.port)) {
        why = QStringLiteral("%1: LISTEN '%2' is not an address and a port (such as %3)")
                  .arg(kFileName, listen, kDefaultListen);
        return false;
    }
    if (settings.cert.isEmpty() != settings.key.isEmpty()) {
        why = QStringLiteral("%1: CERT and KEY go together; with only one of them the console would not be "
                             "private, so it stays off").arg(kFileName);
        return false;
    }
    const QDir dir(configDir);
    if (!settings.cert.isEmpty()) {
        settings.cert = dir.absoluteFilePath(settings.cert);
        settings.key = dir.absoluteFilePath(settings.key);
    }
    settings.enabled = true;
    return true;
}

bool WebSettings::read(const QString &configDir, WebSettings &settings, QString &why)
{
    QFile file(QDir(configDir).filePath(kFileName));
    if (!file.exists()) {
        settings = WebSettings();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("%1 cannot be read: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return parse(file.read(64 * 1024), configDir, settings, why);
}

} // namespace gavelry::web
