#include "core/ModerationLog.h"

#include "channel/CommandChannel.h"
#include "platform/Logging.h"
#include "platform/SafeFile.h"
#include "platform/Scheduler.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString native(const QString &path) { return QDir::toNativeSeparators(path); }


bool writeAll(int fd, const QByteArray &data)
{
    const char *p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = safefile::currentIo().write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
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

ModerationLog::~ModerationLog()
{
    // Nobody reads the status line any more; the file still gets every entry.
    blockSignals(true);
    settleAll(QStringLiteral("no answer before the program ended"));
    closeFile();
}

bool ModerationLog::setFolder(const QString &folder, QString &error)
{
    closeFile();
    m_path = QDir(folder).filePath(kFileName);
    // The caller tells the operator why; the entries that miss the file
    // need not say it again.
    m_troubled = true;
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("the folder %1 cannot be made").arg(native(folder));
        return false;
    }
    if (!openFile(error))
        return false;
    m_troubled = false;
    return true;
}

bool ModerationLog::openFile(QString &why)
{
    const QByteArray name = QFile::encodeName(m_path);
    safefile::Io &io = safefile::currentIo();
    // Looked at before opening: opening a FIFO blocks until someone reads
    // it, and opening a device can act on it. No link is followed: as root,
    // a link to a file of the system would have that file written.
    const int flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = -1;
    bool made = false;
    struct stat st {};
    for (int attempt = 0; attempt < 2 && fd < 0; ++attempt) {
        if (::lstat(name.constData(), &st) == 0) {
            if (!S_ISREG(st.st_mode)) {
                why = native(m_path) + u' ' + safefile::notRegular(st.st_mode);
                return false;
            }
            fd = io.open(name.constData(), flags, 0);
        } else if (errno == ENOENT) {
            fd = io.open(name.constData(), flags | O_CREAT | O_EXCL, 0600);
            made = fd >= 0;
        } else {
            break;
        }
        if (fd < 0 && errno != ENOENT && errno != EEXIST)
            break; // a name that came or went in between is looked at again
    }
    if (fd < 0) {
        why = QStringLiteral("%1: %2").arg(native(m_path), systemError(errno));
        return false;
    }
    // The name may have been given to something else in between.
    QString refused;
    if (::fstat(fd, &st) != 0)
        refused = QStringLiteral("%1: %2").arg(native(m_path), systemError(errno));
    else if (!S_ISREG(st.st_mode))
        refused = native(m_path) + u' ' + safefile::notRegular(st.st_mode);
    else if (st.st_nlink != 1)
        refused = QStringLiteral("%1 has %2 names (hard links), so it may be another file too").arg(native(m_path)).arg(st.st_nlink);
    if (!refused.isEmpty()) {
        io.close(fd);
        why = refused;
        return false;
    }
    // Entries tell who was muted and banned: a file the program makes is the
    // sysop's alone. One made by someone else keeps the mode they gave it.
    if (made)
        ::fchmod(fd, 0600);
    m_fd = fd;
    return true;
}

void ModerationLog::closeFile()
{
    if (m_fd >= 0)
        safefile::currentIo().close(m_fd);
    m_fd = -1;
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
    // The talk-time notices name the station after "sent to" or "WARNING"
    // ("** Auto Mute ** Has been sent to W1ABC ..." starts like a notice
    // whose station is "Auto").
    static const QRegularExpression named(QStringLiteral("(?:WARNING|sent to) (\\S+)"));
    if (const QRegularExpressionMatch m = named.match(text); m.hasMatch())
        return m.captured(1);
    for (const QLatin1String marker : {QLatin1String("**** "), QLatin1String("** ")})
        if (text.startsWith(marker))
            return text.mid(marker.size()).section(u' ', 0, 0);
    return QString();
}

void ModerationLog::sent(const QString &line)
{
    if (!isModerationLine(line))
        return;
    QString station = stationOf(line);
    if ((station.isEmpty() || station == QLatin1String("the talking station")) && !m_causes.isEmpty()
        && !m_causes.last().station.isEmpty())
        station = m_causes.last().station;
    if (!m_awaitAnswers || !line.startsWith(u'.')) {
        write(masked(line), station);
        return;
    }
    // The cause and the time are the ones of the send; only the outcome comes later.
    const int entry = ++m_nextEntry;
    m_held.append({entry, compose(masked(line), station), false});
    emit commandSent(entry, line);
}

void ModerationLog::action(const QString &what, const QString &station) { write(what, station); }

void ModerationLog::settle(int entry, const QString &outcome)
{
    for (Held &h : m_held) {
        if (h.entry != entry || h.settled)
            continue;
        h.text = channel::oneLine(h.text + QStringLiteral(" | ") + outcome);
        h.settled = true;
        writeSettled();
        return;
    }
}

void ModerationLog::settleAll(const QString &outcome)
{
    for (Held &h : m_held) {
        if (!h.settled) {
            h.text += QStringLiteral(" | ") + outcome;
            h.settled = true;
        }
    }
    writeSettled();
}

void ModerationLog::writeSettled()
{
    while (!m_held.isEmpty() && m_held.first().settled)
        writeEntry(m_held.takeFirst().text);
}

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

QString ModerationLog::compose(const QString &what, const QString &station) const
{
    const QString cause = !m_causes.isEmpty() ? m_causes.last().cause : !m_button.isEmpty() ? m_button : kNoCause;
    // One line an event, whatever the command, the station or the cause
    // held: a cause can quote what a station sent, and a line break there
    // would forge entries of its own.
    return channel::oneLine(m_clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" | ")
                            + what + QStringLiteral(" | ") + (station.isEmpty() ? QStringLiteral("-") : station)
                            + QStringLiteral(" | ") + cause);
}

void ModerationLog::write(const QString &what, const QString &station)
{
    const QString text = compose(what, station);
    // Behind a command that awaits its answer, in the order of events.
    if (!m_held.isEmpty())
        m_held.append({0, text, true});
    else
        writeEntry(text);
}

void ModerationLog::writeEntry(const QString &text)
{
    m_last = text;
    QString why;
    const bool kept = !m_path.isEmpty() && keep(m_last.toUtf8() + '\n', why);
    // An entry the file did not take still reaches standard error (the
    // journal of a service): none is lost.
    if (m_echo || (!m_path.isEmpty() && !kept))
        qCInfo(lcModeration).noquote() << m_last;
    emit logged(m_last);
    if (m_path.isEmpty())
        return;
    if (kept) {
        m_troubled = false;
    } else if (!m_troubled) {
        m_troubled = true;
        emit troubled(QStringLiteral("The moderation log cannot be written: %1. Its entries go to standard error "
                                     "until it can.").arg(why));
    }
}

bool ModerationLog::keep(const QByteArray &line, QString &why)
{
    if (m_fd < 0 && !openFile(why))
        return false;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        why = QStringLiteral("%1: %2").arg(native(m_path), systemError(errno));
        closeFile();
        return false;
    }
    // A full file that cannot be moved aside takes nothing more: the bound
    // holds whatever the folder allows.
    if (st.st_size >= kRotateBytes) {
        if (!rotate(why))
            return false;
        st.st_size = 0;
    }
    if (!writeAll(m_fd, line)) {
        const int error = errno;
        // No piece of the entry stays behind, so the next one starts a line.
        [[maybe_unused]] const int r = ::ftruncate(m_fd, st.st_size);
        why = QStringLiteral("%1: %2").arg(native(m_path), systemError(error));
        return false;
    }
    return true;
}

bool ModerationLog::rotate(QString &why)
{
    safefile::Io &io = safefile::currentIo();
    auto numbered = [this](int n) { return QFile::encodeName(m_path + QStringLiteral(".%1").arg(n)); };
    // The old files move up to the first free number (the oldest is
    // dropped when none is free), so an attempt that failed half way never
    // makes the next one drop a file early.
    int free = 1;
    struct stat st {};
    while (free < kKeep && ::lstat(numbered(free).constData(), &st) == 0)
        ++free;
    for (int n = free - 1; n >= 1; --n) {
        if (io.rename(numbered(n).constData(), numbered(n + 1).constData()) != 0) {
            why = QStringLiteral("%1 is full and %2 cannot be moved aside (%3)")
                      .arg(native(m_path), native(QFile::decodeName(numbered(n))), systemError(errno));
            return false;
        }
    }
    if (io.rename(QFile::encodeName(m_path).constData(), numbered(1).constData()) != 0) {
        why = QStringLiteral("%1 is full and cannot be moved aside (%2)").arg(native(m_path), systemError(errno));
        return false;
    }
    closeFile();
    return openFile(why);
}

} // namespace gavelry
