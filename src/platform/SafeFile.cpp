#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gavelry::safefile {

int Io::open(const char *path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t Io::read(int fd, void *buffer, size_t size) { return ::read(fd, buffer, size); }
ssize_t Io::write(int fd, const void *data, size_t size) { return ::write(fd, data, size); }
int Io::fsync(int fd) { return ::fsync(fd); }
int Io::close(int fd) { return ::close(fd); }
int Io::rename(const char *from, const char *to) { return ::rename(from, to); }

namespace {

Io g_realIo;
Io *g_io = &g_realIo;

Io &io() { return *g_io; }

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

QByteArray encoded(const QString &path) { return QFile::encodeName(path); }


QString tooLarge(qint64 size, qint64 largest)
{
    return QStringLiteral("is larger than the %1 bytes a settings file may have (%2 bytes)")
        .arg(largest)
        .arg(size);
}

/// The kind of file mode names, or an empty string for a regular file of at
/// most largest bytes.
QString refusal(const struct stat &st, qint64 largest)
{
    if (!S_ISREG(st.st_mode))
        return notRegular(st.st_mode);
    if (st.st_size > largest)
        return tooLarge(st.st_size, largest);
    return QString();
}

/// A name next to base that no other file has yet.
QString uniqueName(const QString &base)
{
    // Joined, not chained through arg(): a folder named "%2" stays the folder it is.
    return base + u'.' + QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
        + QStringLiteral(".tmp");
}

/// The file a link at path finally names (path itself when it is no link).
QString finalTarget(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.absoluteFilePath();
}

bool writeAll(int fd, const QByteArray &data)
{
    const char *p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = io().write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) { // a device that takes nothing is as full as one that says so
            errno = ENOSPC;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

/// Writes data to a new file in the folder of target, flushed to the disk,
/// and names it tmpName. Returns an empty string or why it failed; nothing
/// is left behind on failure.
QString writeNewFile(const QString &target, const QByteArray &data, QString &tmpName)
{
    const QString folder = QFileInfo(target).absolutePath();
    auto failed = [&](int error) {
        return QStringLiteral("Cannot write %1: %2").arg(native(target), systemError(error));
    };

    // An unnamed file first: a run killed while writing leaves nothing
    // behind. It gets its name only once it is whole.
    int fd = io().open(encoded(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        if (!writeAll(fd, data) || io().fsync(fd) != 0) {
            const int e = errno;
            io().close(fd);
            return failed(e);
        }
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd);
        for (int attempt = 0; attempt < 8; ++attempt) {
            tmpName = uniqueName(target);
            if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, encoded(tmpName).constData(), AT_SYMLINK_FOLLOW) == 0) {
                if (io().close(fd) != 0) {
                    const int e = errno;
                    ::unlink(encoded(tmpName).constData());
                    return failed(e);
                }
                return QString();
            }
            if (errno != EEXIST)
                break;
        }
        // No /proc, or a file system that cannot name it: the named way.
        io().close(fd);
    }

    tmpName = uniqueName(target);
    fd = io().open(encoded(tmpName).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return failed(errno);
    ::fchmod(fd, 0600);
    if (!writeAll(fd, data) || io().fsync(fd) != 0) {
        const int e = errno;
        io().close(fd);
        ::unlink(encoded(tmpName).constData());
        return failed(e);
    }
    if (io().close(fd) != 0) {
        const int e = errno;
        ::unlink(encoded(tmpName).constData());
        return failed(e);
    }
    return QString();
}

/// Keeps the current contents of target at backup. Nothing to keep when
/// target is missing, empty or no regular file.
QString keepBackup(const QString &target, const QString &backup)
{
    struct stat st {};
    if (::stat(encoded(target).constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
        return QString();
    // A second name for the old file is exact and costs no space.
    const QString tmp = uniqueName(backup);
    if (::link(encoded(target).constData(), encoded(tmp).constData()) == 0) {
        if (::chmod(encoded(tmp).constData(), 0600) == 0 && io().rename(encoded(tmp).constData(), encoded(backup).constData()) == 0)
            return QString();
        ::unlink(encoded(tmp).constData());
    }
    // Another file system, or one without links: a copy.
    const ReadResult old = read(target);
    if (old.state != ReadResult::State::Read)
        return QStringLiteral("%1 %2").arg(native(target), old.why);
    return replace(backup, old.data);
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

ScopedIo::ScopedIo(Io &replacement) : m_previous(g_io) { g_io = &replacement; }

ScopedIo::~ScopedIo() { g_io = m_previous; }

ReadResult read(const QString &path, qint64 largest)
{
    ReadResult result;
    const QByteArray name = encoded(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return result; // missing, or a link to nothing
        result.state = ReadResult::State::Refused;
        result.why = QStringLiteral("cannot be read (%1)").arg(systemError(error));
        return result;
    }
    result.state = ReadResult::State::Refused;
    // Looked at before opening: opening a FIFO or a device can block or act.
    result.why = refusal(st, largest);
    if (!result.why.isEmpty())
        return result;
    const int fd = io().open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (fd < 0) {
        result.why = QStringLiteral("cannot be read (%1)").arg(systemError(errno));
        return result;
    }
    // The name may have been given to something else in between.
    if (::fstat(fd, &st) != 0 || !(result.why = refusal(st, largest)).isEmpty()) {
        if (result.why.isEmpty())
            result.why = QStringLiteral("cannot be read (%1)").arg(systemError(errno));
        io().close(fd);
        return result;
    }
    QByteArray data;
    data.reserve(qsizetype(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = io().read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.why = QStringLiteral("cannot be read (%1)").arg(systemError(errno));
            io().close(fd);
            return result;
        }
        if (n == 0)
            break;
        data.append(buffer, n);
        if (data.size() > largest) { // it grew while being read
            result.why = tooLarge(data.size(), largest);
            io().close(fd);
            return result;
        }
    }
    io().close(fd);
    result.state = ReadResult::State::Read;
    result.why.clear();
    result.data = data;
    return result;
}

QString replace(const QString &path, const QByteArray &data, const QString &backup, QString *backupProblem)
{
    const QString target = finalTarget(path);
    // A FIFO, a device or a folder in the file's place (or at the end of a
    // link in it) is not ours: renaming over it would destroy the node.
    struct stat st {};
    if (::stat(encoded(target).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        const QString name = target == QFileInfo(path).absoluteFilePath()
            ? native(path)
            : QStringLiteral("%1 (a link to %2)").arg(native(path), native(target));
        return QStringLiteral("%1 %2, so it is not written over").arg(name, notRegular(st.st_mode));
    }
    QString tmpName;
    const QString error = writeNewFile(target, data, tmpName);
    if (!error.isEmpty())
        return error;
    if (!backup.isEmpty()) {
        const QString problem = keepBackup(target, backup);
        if (backupProblem)
            *backupProblem = problem;
    }
    if (io().rename(encoded(tmpName).constData(), encoded(target).constData()) != 0) {
        const int e = errno;
        ::unlink(encoded(tmpName).constData());
        return QStringLiteral("Cannot write %1: %2").arg(native(target), systemError(e));
    }
    syncFolder(QFileInfo(target).absolutePath());
    return QString();
}

Io &currentIo() { return io(); }

bool isTemporaryName(const QByteArray &name)
{
    // As uniqueName() makes them: NAME "." 8 hex digits ".tmp".
    constexpr qsizetype kTail = 1 + 8 + 4;
    if (name.size() <= kTail || !name.endsWith(".tmp") || name.at(name.size() - kTail) != '.')
        return false;
    for (qsizetype i = name.size() - kTail + 1; i < name.size() - 4; ++i) {
        const char c = name.at(i);
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

QStringList removeLeftovers(const QString &folder, QStringList &problems)
{
    QStringList removed;
    // Each file is looked at and removed through the folder opened once: a
    // folder renamed or replaced meanwhile is not the one cleaned.
    const int dirFd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return removed;
    QList<QByteArray> names;
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries)
        if (isTemporaryName(QFile::encodeName(entry)))
            names.append(QFile::encodeName(entry));
    for (const QByteArray &name : names) {
        struct stat st {};
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)
            || st.st_uid != ::geteuid())
            continue;
        if (::unlinkat(dirFd, name.constData(), 0) == 0)
            removed.append(QFile::decodeName(name));
        else
            problems.append(QStringLiteral("%1 cannot be removed (%2)")
                                .arg(native(QDir(folder).filePath(QFile::decodeName(name))), systemError(errno)));
    }
    ::close(dirFd);
    return removed;
}

QString notRegular(mode_t mode)
{
    if (S_ISLNK(mode))
        return QStringLiteral("is a symbolic link, not a regular file");
    if (S_ISFIFO(mode))
        return QStringLiteral("is a FIFO, not a regular file");
    if (S_ISCHR(mode))
        return QStringLiteral("is a character device, not a regular file");
    if (S_ISBLK(mode))
        return QStringLiteral("is a block device, not a regular file");
    if (S_ISDIR(mode))
        return QStringLiteral("is a folder, not a regular file");
    if (S_ISSOCK(mode))
        return QStringLiteral("is a socket, not a regular file");
    return QStringLiteral("is not a regular file");
}

} // namespace gavelry::safefile
