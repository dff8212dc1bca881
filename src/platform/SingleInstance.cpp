#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace gavelry {

namespace {

QString lockPath(const QString &configDir)
{
    const QString inFolder = QDir(configDir).filePath(QStringLiteral("gavelry.lock"));
    if (QDir().mkpath(configDir) && QFileInfo(configDir).isWritable())
        return inFolder;
    const QByteArray key = QCryptographicHash::hash(QDir(configDir).absolutePath().toUtf8(),
                                                    QCryptographicHash::Sha1).toHex().left(16);
    return QDir::temp().filePath(QStringLiteral("gavelry-%1.lock").arg(QString::fromLatin1(key)));
}

} // namespace

SingleInstance::SingleInstance(const QString &configDir)
    : m_lock(std::make_unique<QLockFile>(lockPath(configDir)))
{
    m_lock->setStaleLockTime(0); // only a dead owner's lock is stale
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() { return m_lock->tryLock(0); }

} // namespace gavelry
