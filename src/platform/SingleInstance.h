#pragma once

#include <QString>

namespace gavelry {

/// One running copy of the program per configuration folder. The lock is an
/// flock on a file in that folder (gavelry.lock): the system drops it when
/// the process that holds it ends, however it ends, so nothing left behind
/// (a stale, empty or garbled lock file, one from another host) ever keeps a
/// copy from starting. Every spelling of the folder (a link to it, a path
/// with "..") names the same file, so all of them share the lock.
///
/// Only the sysop's own copies may hold it: the file is the folder owner's,
/// readable by nobody else (0600), so another local user cannot lock it and
/// keep the bot from starting. A lock file that is someone else's, a link, a
/// FIFO or a file with more names is left alone; so is one that cannot be
/// opened. A file named after the folder's canonical path in a folder of
/// this user's alone ($XDG_RUNTIME_DIR, else TMPDIR/gavelry-UID, mode 0700)
/// is locked instead.
class SingleInstance {
public:
    explicit SingleInstance(const QString &configDir);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    /// False when another running copy holds the folder's lock (holder()
    /// then names it). True when this process holds it now, and also when no
    /// lock file could be used at all (problem() then says why): a start is
    /// never refused for that.
    bool acquire();
    /// Whether this process holds the lock (false when none could be used).
    bool holds() const { return m_fd >= 0; }
    /// Why the folder's own lock file was not used, or why the folder could
    /// not be locked at all; an empty string when there is nothing to tell.
    const QString &problem() const { return m_problem; }
    /// The file this process locked (empty before acquire() or without one).
    const QString &lockFile() const { return m_lockFile; }
    /// After acquire() was refused: the copy that holds the lock, as the
    /// lock file names it ("process 1234", "process 1234 on host"), or an
    /// empty string when the file does not say.
    const QString &holder() const { return m_holder; }

private:
    enum class Outcome { Locked, Held, Unusable, Untrusted };
    Outcome tryLock(const QString &path, unsigned folderOwner, QString &why);
    QString privateLockFile(QString &why) const;

    QString m_folder;
    QString m_lockFile;
    QString m_problem;
    QString m_holder;
    int m_fd = -1;
};

} // namespace gavelry
