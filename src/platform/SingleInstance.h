#pragma once

#include <QString>

namespace gavelry {

/// One running copy of the program per configuration folder. The lock is an
/// flock on a file in that folder (gavelry.lock): the system drops it when
/// the process that holds it ends, however it ends, so nothing left behind
/// (a stale, empty or foreign lock file, one from another host or user) ever
/// keeps a copy from starting. Every spelling of the folder (a link to it, a
/// path with "..") names the same file, so all of them share the lock. When
/// that file cannot be opened, a file in the temporary folder named after the
/// folder's canonical path is locked instead.
class SingleInstance {
public:
    explicit SingleInstance(const QString &configDir);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    /// False when another running copy holds the folder's lock. True when
    /// this process holds it now, and also when no lock file could be used
    /// at all (problem() then says why): a start is never refused for that.
    bool acquire();
    /// Why the folder could not be locked, or an empty string.
    const QString &problem() const { return m_problem; }
    /// The file this process locked (empty before acquire() or without one).
    const QString &lockFile() const { return m_lockFile; }

private:
    enum class Outcome { Locked, Held, Unusable };
    Outcome tryLock(const QString &path, QString &why);

    QString m_folder;
    QString m_lockFile;
    QString m_problem;
    int m_fd = -1;
};

} // namespace gavelry
