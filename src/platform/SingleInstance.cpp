#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

/// The folder's one name: links resolved, "." and ".." gone.
QString canonicalFolder(const QString &configDir)
{
    const QString canonical = QFileInfo(configDir).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(configDir).absolutePath()) : canonical;
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

SingleInstance::Outcome SingleInstance::tryLock(const QString &path, QString &why)
{
    const QByteArray name = QFile::encodeName(path);
    // Readable by all: another user's copy locks the same file (a lock needs
    // no write access) and so never runs beside this one. No link is
    // followed: a planted one must not make this open someone else's file.
    bool writable = true;
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        writable = false;
        fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0) {
        why = QStringLiteral("%1 cannot be opened (%2)").arg(QDir::toNativeSeparators(path), systemError(errno));
        return Outcome::Unusable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        why = QStringLiteral("%1 is not a regular file").arg(QDir::toNativeSeparators(path));
        return Outcome::Unusable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Outcome::Held;
        why = QStringLiteral("%1 cannot be locked (%2)").arg(QDir::toNativeSeparators(path), systemError(error));
        return Outcome::Unusable;
    }
    if (writable) {
        // For a person looking: who holds it. Nothing reads it back.
        if (st.st_uid == ::geteuid())
            ::fchmod(fd, 0644);
        const QByteArray owner = QByteArray::number(qint64(::getpid())) + '\n'
            + QSysInfo::machineHostName().toUtf8() + '\n';
        if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, owner.constData(), size_t(owner.size()), 0) != owner.size()) {
            // Only a person reads it; the lock holds either way.
        }
    }
    m_fd = fd;
    m_lockFile = path;
    return Outcome::Locked;
}

bool SingleInstance::acquire()
{
    if (m_fd >= 0)
        return true;
    m_problem.clear();
    const QByteArray key =
        QCryptographicHash::hash(m_folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    const QString candidates[] = {
        QDir(m_folder).filePath(QString::fromLatin1(kLockName)),
        QDir::temp().filePath(QStringLiteral("gavelry-%1.lock").arg(QString::fromLatin1(key))),
    };
    QStringList problems;
    for (const QString &path : candidates) {
        QString why;
        switch (tryLock(path, why)) {
        case Outcome::Locked:
            return true;
        case Outcome::Held:
            return false;
        case Outcome::Unusable:
            problems.append(why);
            break;
        }
    }
    m_problem = QStringLiteral("A second copy of the program on %1 cannot be kept out: %2")
                    .arg(QDir::toNativeSeparators(m_folder), problems.join(QStringLiteral("; ")));
    return true;
}

} // namespace gavelry
