#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gavelry {

namespace {

constexpr char kLockName[] = "gavelry.lock";

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

/// The folder's one name: links resolved, "." and ".." gone.
QString canonicalFolder(const QString &configDir)
{
    const QString canonical = QFileInfo(configDir).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(configDir).absolutePath()) : canonical;
}

/// Whether path is a folder (not a link to one) of this user's alone.
bool isPrivateFolder(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

/// What a lock file says of the copy that wrote it: "PID\nPROGRAM\nHOST\n"
/// (an older copy wrote "PID\nHOST\n").
QString holderNamed(int fd)
{
    char buffer[512];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    if (n <= 0)
        return QString();
    const QStringList lines = QString::fromUtf8(buffer, n).split(u'\n');
    static const QRegularExpression pid(QStringLiteral("^[1-9][0-9]{0,9}$"));
    if (!pid.match(lines.value(0)).hasMatch())
        return QString();
    QString host = lines.size() > 3 ? lines.value(2) : lines.value(1);
    static const QRegularExpression hostName(QStringLiteral("^[A-Za-z0-9._-]{1,253}$"));
    if (!hostName.match(host).hasMatch() || host == QSysInfo::machineHostName())
        host.clear();
    return host.isEmpty() ? QStringLiteral("process %1").arg(lines.value(0))
                          : QStringLiteral("process %1 on %2").arg(lines.value(0), host);
}

} // namespace

SingleInstance::SingleInstance(const QString &configDir) : m_folder(canonicalFolder(configDir)) {}

SingleInstance::~SingleInstance()
{
    // Closing drops the lock; the file stays, so a copy that opened it
    // meanwhile still locks the same file as the next one will.
    if (m_fd >= 0)
        ::close(m_fd);
}

SingleInstance::Outcome SingleInstance::tryLock(const QString &path, unsigned folderOwner, QString &why)
{
    const QByteArray name = QFile::encodeName(path);
    const uid_t me = ::geteuid();
    // No link is followed, and nothing but a regular file is opened in
    // earnest (O_NONBLOCK: a FIFO must not hold the start up).
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    bool writable = true;
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | flags, 0600);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        writable = false;
        fd = ::open(name.constData(), O_RDONLY | flags);
    }
    if (fd < 0) {
        const int error = errno;
        why = QStringLiteral("%1 cannot be opened (%2)").arg(native(path), systemError(error));
        // A link in the lock file's place was put there by someone.
        return error == ELOOP ? Outcome::Untrusted : Outcome::Unusable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = QStringLiteral("%1 cannot be read (%2)").arg(native(path), systemError(errno));
        ::close(fd);
        return Outcome::Unusable;
    }
    // Someone else's file, or a second name of another file, could be
    // locked by anyone who can read it, or be that other file: left alone.
    if (!S_ISREG(st.st_mode))
        why = QStringLiteral("%1 is not a regular file").arg(native(path));
    else if (st.st_nlink != 1)
        why = QStringLiteral("%1 has %2 names (hard links)").arg(native(path)).arg(st.st_nlink);
    else if (st.st_uid != me && st.st_uid != folderOwner && st.st_uid != 0)
        why = QStringLiteral("%1 belongs to user %2, not to the owner of its folder").arg(native(path)).arg(st.st_uid);
    if (!why.isEmpty()) {
        ::close(fd);
        return Outcome::Untrusted;
    }
    // The folder's owner runs the copies that share it: a lock file root
    // made in a sysop's folder goes to the sysop, so that the sysop's own
    // copies open it too. Nobody else may open it (and so lock it).
    if (me == 0 && st.st_uid == 0 && folderOwner != 0 && ::fchown(fd, folderOwner, uid_t(-1)) == 0)
        st.st_uid = folderOwner;
    if ((st.st_uid == me || me == 0) && (st.st_mode & 07777) != 0600)
        ::fchmod(fd, 0600);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK)
            m_holder = holderNamed(fd);
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Outcome::Held;
        why = QStringLiteral("%1 cannot be locked (%2)").arg(native(path), systemError(error));
        return Outcome::Unusable;
    }
    if (writable) {
        // Who holds it, for the copy that is refused and for a person looking.
        const QByteArray owner = QByteArray::number(qint64(::getpid())) + "\nGavelry\n"
            + QSysInfo::machineHostName().toUtf8() + '\n';
        if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, owner.constData(), size_t(owner.size()), 0) != owner.size()) {
            // The lock holds either way; a refused copy then names nobody.
        }
    }
    m_fd = fd;
    m_lockFile = path;
    return Outcome::Locked;
}

QString SingleInstance::privateLockFile(QString &why) const
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder) || !isPrivateFolder(folder)) {
        // The name can be guessed, so whoever makes it first owns it: one
        // that is not this user's alone is not used.
        folder = QDir(QDir::tempPath()).filePath(QStringLiteral("gavelry-%1").arg(::geteuid()));
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
            why = QStringLiteral("%1 cannot be made (%2)").arg(native(folder), systemError(errno));
            return QString();
        }
        if (!isPrivateFolder(folder)) {
            why = QStringLiteral("%1 is not a folder of this user's alone").arg(native(folder));
            return QString();
        }
    }
    const QByteArray key = QCryptographicHash::hash(m_folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir(folder).filePath(QStringLiteral("gavelry-%1.lock").arg(QString::fromLatin1(key)));
}

bool SingleInstance::acquire()
{
    if (m_fd >= 0)
        return true;
    m_problem.clear();
    m_holder.clear();
    struct stat folder {};
    const unsigned folderOwner =
        ::stat(QFile::encodeName(m_folder).constData(), &folder) == 0 ? unsigned(folder.st_uid) : unsigned(::geteuid());

    QString why;
    const QString own = QDir(m_folder).filePath(QString::fromLatin1(kLockName));
    const Outcome outcome = tryLock(own, folderOwner, why);
    if (outcome == Outcome::Locked)
        return true;
    if (outcome == Outcome::Held)
        return false;
    QStringList problems{why};
    QString notice;
    if (outcome == Outcome::Untrusted)
        notice = why + QStringLiteral(": it is left alone");

    QString elsewhere;
    const QString fallback = privateLockFile(elsewhere);
    if (!fallback.isEmpty()) {
        switch (tryLock(fallback, unsigned(::geteuid()), elsewhere)) {
        case Outcome::Locked:
            if (!notice.isEmpty())
                m_problem = notice + QStringLiteral(", and %1 is locked instead").arg(native(fallback));
            return true;
        case Outcome::Held:
            return false;
        case Outcome::Unusable:
        case Outcome::Untrusted:
            break;
        }
    }
    problems.append(elsewhere);
    m_problem = QStringLiteral("A second copy of the program on %1 cannot be kept out: %2")
                    .arg(native(m_folder), problems.join(QStringLiteral("; ")));
    return true;
}

} // namespace gavelry
