#include "ModerationLog.h"

#include "CommandChannel.h"
#include "Logging.h"
#include "Scheduler.h"

#include <QAbstractButton>
#include <QDir>
#include <QRegularExpression>

namespace gavelry {

const QString ModerationLog::kFileName = QStringLiteral("moderation.log");

namespace {

const QString kNoCause = QStringLiteral("operator");

/// The text of a notice or command without its ".quote " carrier and time stamp.
QString bareText(const QString &line)
{
    static const QRegularExpression carrier(QStringLiteral("^(\\.quote )?(\\(\\d\\d:\\d\\d\\) )?"));
    return line.mid(carrier.match(line).capturedLength());
}

bool isLogOn(const QString &line)
{
    return line.startsWith(QLatin1String(".admin "), Qt::CaseInsensitive)
        || line.startsWith(QLatin1String(".sysop "), Qt::CaseInsensitive);
}

} // namespace

QString buttonCause(const QAbstractButton *button)
{
    if (!button)
        return QStringLiteral("button");
    QString caption = button->text().simplified();
    caption.replace(QLatin1String("&&"), QLatin1String("\x01")).remove(u'&').replace(u'\x01', u'&');
    return QStringLiteral("button \"%1\" (%2)").arg(caption, button->objectName());
}

ModerationLog::ModerationLog(Scheduler &clock, QObject *parent) : QObject(parent), m_clock(clock) {}

ModerationLog::Cause::Cause(ModerationLog *log, const QString &cause, const QString &station) : m_log(log)
{
    if (m_log)
        m_log->m_causes.append({cause, station});
}

ModerationLog::Cause::~Cause()
{
    if (m_log && !m_log->m_causes.isEmpty())
        m_log->m_causes.removeLast();
}

bool ModerationLog::setFolder(const QString &folder, QString &error)
{
    m_file.close();
    m_path.clear();
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    m_file.setFileName(QDir(folder).filePath(kFileName));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
        return false;
    }
    m_file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_path = m_file.fileName();
    return true;
}

bool ModerationLog::isModerationLine(const QString &line)
{
    const QString text = bareText(line);
    return text.startsWith(u'.') || text.startsWith(QLatin1String("** ")) || text.startsWith(QLatin1String("**** "))
        || line.contains(QLatin1String("Admin Bot")) || line.contains(QLatin1String("<<Admin>>"));
}

QString ModerationLog::masked(const QString &line)
{
    if (isLogOn(line))
        return line.left(7) + QStringLiteral("****");
    return line;
}

QString ModerationLog::stationOf(const QString &line)
{
    const QString text = bareText(line);
    if (text.startsWith(u'.')) {
        if (isLogOn(text))
            return QString();
        QStringList words = text.split(u' ', Qt::SkipEmptyParts);
        words.removeFirst();
        if (!words.isEmpty() && (words.first() == QLatin1String("add") || words.first() == QLatin1String("delete")))
            words.removeFirst();
        else if (!words.isEmpty() && words.first() == QLatin1String("list"))
            return QString();
        if (words.isEmpty() || words.first() == QLatin1String("?"))
            return QString();
        if (words.first() == QLatin1String("-a"))
            return QStringLiteral("all stations");
        if (words.first() == QLatin1String("."))
            return QStringLiteral("the talking station");
        return words.first();
    }
    for (const QLatin1String marker : {QLatin1String("**** "), QLatin1String("** ")})
        if (text.startsWith(marker))
            return text.mid(marker.size()).section(u' ', 0, 0);
    // The talk-time notices name the station after "sent to" or "WARNING".
    static const QRegularExpression named(QStringLiteral("(?:WARNING|sent to) (\\S+)"));
    const QRegularExpressionMatch m = named.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

void ModerationLog::sent(const QString &line)
{
    if (!isModerationLine(line))
        return;
    QString station = stationOf(line);
    if ((station.isEmpty() || station == QLatin1String("the talking station")) && !m_causes.isEmpty()
        && !m_causes.last().station.isEmpty())
        station = m_causes.last().station;
    write(masked(line), station);
}

void ModerationLog::action(const QString &what, const QString &station) { write(what, station); }

void ModerationLog::followButtons(QWidget *window)
{
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        // A click runs released, then clicked: the cause is set before the
        // handlers run and cleared after the last of them (connected here,
        // after all of them). A press that ends off the button gets no
        // clicked; the queued clear ends its cause once the event is done.
        connect(button, &QAbstractButton::released, this, [this, button] {
            m_button = buttonCause(button);
            QMetaObject::invokeMethod(this, [this] { m_button.clear(); }, Qt::QueuedConnection);
        });
        connect(button, &QAbstractButton::clicked, this, [this] { m_button.clear(); });
    }
}

void ModerationLog::write(const QString &what, const QString &station)
{
    const QString cause = !m_causes.isEmpty() ? m_causes.last().cause : !m_button.isEmpty() ? m_button : kNoCause;
    // One line an event, whatever the command, the station or the cause
    // held: a cause can quote what a station sent, and a line break there
    // would forge entries of its own.
    m_last = channel::oneLine(m_clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" | ")
                              + what + QStringLiteral(" | ") + (station.isEmpty() ? QStringLiteral("-") : station)
                              + QStringLiteral(" | ") + cause);
    if (m_echo)
        qCInfo(lcModeration).noquote() << m_last;
    if (m_file.isOpen()) {
        rotateIfFull();
        m_file.write(m_last.toUtf8() + '\n');
        m_file.flush();
    }
    emit logged(m_last);
}

void ModerationLog::rotateIfFull()
{
    if (m_file.size() < kRotateBytes)
        return;
    m_file.close();
    QFile::remove(m_path + QStringLiteral(".%1").arg(kKeep));
    for (int n = kKeep - 1; n >= 1; --n)
        QFile::rename(m_path + QStringLiteral(".%1").arg(n), m_path + QStringLiteral(".%1").arg(n + 1));
    QFile::rename(m_path, m_path + QStringLiteral(".1"));
    m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    m_file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace gavelry
