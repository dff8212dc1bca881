#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace gavelry::safefile {

/// The largest file read or written. A settings file is a few kilobytes;
/// one far larger is not a settings file, and reading it whole would let a
/// damaged or hostile file grow the program's memory without limit.
inline constexpr qint64 kLargest = 1 << 20;

/// What reading a file found.
struct ReadResult {
    enum class State {
        Missing, ///< there is no such file (a link to nothing counts as none)
        Read,    ///< data holds the whole file
        Refused, ///< the file is there but was not read; why says what was refused
    };
    State state = State::Missing;
    QByteArray data;
    /// For Refused: a phrase that follows the file's name, e.g.
    /// "is a FIFO, not a regular file" or "cannot be read (Permission denied)".
    QString why;
};

/// Reads a regular file of at most largest bytes, whole. Anything else (a
/// FIFO, a device, a folder, a file larger than largest, one that cannot be
/// opened or read) is refused without blocking and without reading more than
/// largest bytes.
ReadResult read(const QString &path, qint64 largest = kLargest);

/// Replaces the contents of path with data, owner-only (0600). The data goes
/// to a new file next to it that is written, flushed to the disk and then
/// renamed over path, so path holds either its old or its new contents whole,
/// whatever stops the program or fills the disk on the way. A link at path is
/// followed: its target is replaced. Something that is there but is no
/// regular file (a FIFO, a device, a folder; also at the end of a link) is
/// refused and left as it is.
///
/// With backup set, the contents path had before are kept there (0600) just
/// before the new file takes its place, unless path was missing or empty.
/// A backup that cannot be made does not stop the save; backupProblem then
/// says why.
///
/// Returns an empty string, or why the file could not be written; the old
/// file is then left as it was.
QString replace(const QString &path, const QByteArray &data, const QString &backup = QString(),
                QString *backupProblem = nullptr);

/// Whether name (a file's name without its folder) is one replace() gives
/// its new file until it takes the old one's place: NAME.XXXXXXXX.tmp, with
/// eight lower-case hexadecimal digits.
bool isTemporaryName(const QByteArray &name);

/// Removes from folder what saves stopped in the middle (a kill, a power
/// cut) left there: full copies of settings files, passwords included. Only
/// regular files of this user's with a temporary name are removed, and only
/// in folder itself. Call it only while no other copy of the program can be
/// saving there, that is while holding the folder's single-copy lock.
/// Returns the names removed; problems gets a line for each that stayed.
QStringList removeLeftovers(const QString &folder, QStringList &problems);

/// The system calls reading and writing go through. A test puts its own in
/// place (ScopedIo) to make one of them fail as a full or broken disk does.
class Io {
public:
    virtual ~Io() = default;
    virtual int open(const char *path, int flags, mode_t mode);
    virtual ssize_t read(int fd, void *buffer, size_t size);
    virtual ssize_t write(int fd, const void *data, size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char *from, const char *to);
};

/// The calls in place now: the real ones, or a test's. Other writers of the
/// program's own files (the moderation log) go through them too.
Io &currentIo();

/// Puts io in place of the real calls for as long as it lives.
class ScopedIo {
public:
    explicit ScopedIo(Io &io);
    ~ScopedIo();
    ScopedIo(const ScopedIo &) = delete;
    ScopedIo &operator=(const ScopedIo &) = delete;

private:
    Io *m_previous;
};

/// What a file of mode is, as it follows the file's name ("is a FIFO, not
/// a regular file"); a link's own mode (from lstat) is named a link.
QString notRegular(mode_t mode);

} // namespace gavelry::safefile
