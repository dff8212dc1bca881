#include "platform/ProfileIni.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using gavelry::ProfileIni;
namespace safefile = gavelry::safefile;

namespace {

/// The real calls, but one kind of call fails with error once more than
/// `after` bytes have been written (for write) or always (for the others).
class FailingIo : public safefile::Io {
public:
    enum class Call { Write, Fsync, Close, Rename, OpenForReading, Read };
    FailingIo(Call call, int error, qint64 after = 0) : m_call(call), m_error(error), m_after(after) {}

    int open(const char *path, int flags, mode_t mode) override
    {
        if (m_call == Call::OpenForReading && (flags & O_ACCMODE) == O_RDONLY)
            return fail();
        return Io::open(path, flags, mode);
    }
    ssize_t read(int fd, void *buffer, size_t size) override
    {
        return m_call == Call::Read ? fail() : Io::read(fd, buffer, size);
    }
    ssize_t write(int fd, const void *data, size_t size) override
    {
        if (m_call != Call::Write)
            return Io::write(fd, data, size);
        if (m_written >= m_after)
            return fail();
        // A short write up to the point where the disk is full.
        const ssize_t n = Io::write(fd, data, size_t(std::min<qint64>(qint64(size), m_after - m_written)));
        if (n > 0)
            m_written += n;
        return n;
    }
    int fsync(int fd) override { return m_call == Call::Fsync ? fail() : Io::fsync(fd); }
    int close(int fd) override
    {
        const int r = Io::close(fd); // the descriptor is gone either way
        return m_call == Call::Close ? fail() : r;
    }
    int rename(const char *from, const char *to) override
    {
        return m_call == Call::Rename ? fail() : Io::rename(from, to);
    }

private:
    int fail()
    {
        errno = m_error;
        return -1;
    }
    Call m_call;
    int m_error;
    qint64 m_after;
    qint64 m_written = 0;
};

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

int mode(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

class TestSafeFile : public QObject {
    Q_OBJECT

    const QByteArray m_old = "; kept by hand\r\n[SETTINGS]\r\nTEXT3=old\r\n[OTHER]\r\nA=1\r\n";

private slots:
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("call");
        QTest::addColumn<int>("error");
        QTest::addColumn<qint64>("after");
        using C = FailingIo::Call;
        QTest::newRow("disk full before the first byte") << int(C::Write) << ENOSPC << qint64(0);
        QTest::newRow("disk full half way") << int(C::Write) << ENOSPC << qint64(40000);
        QTest::newRow("flush fails") << int(C::Fsync) << EIO << qint64(0);
        QTest::newRow("close reports the loss") << int(C::Close) << ENOSPC << qint64(0);
        QTest::newRow("rename refused") << int(C::Rename) << EACCES << qint64(0);
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(int, call);
        QFETCH(int, error);
        QFETCH(qint64, after);
        QTemporaryDir dir;
        const QString path = dir.filePath("vorivuzav.ini");
        writeBytes(path, m_old);
        ProfileIni ini(path);
        ini.set("SETTINGS", "TEXT3", QString(100000, u'n'));
        {
            FailingIo io(FailingIo::Call(call), error, after);
            safefile::ScopedIo scoped(io);
            QVERIFY(!ini.save());
        }
        QVERIFY2(ini.error().contains(systemError(error)), qPrintable(ini.error()));
        QVERIFY2(ini.error().contains(path), qPrintable(ini.error()));
        QVERIFY2(ini.error().contains("keeps its previous settings"), qPrintable(ini.error()));
        QCOMPARE(readBytes(path), m_old);
        // Nothing half-written is left beside it, and no backup was taken.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"vorivuzav.ini"});
        // The next save, on a working disk, goes through.
        QVERIFY(ini.save());
        QCOMPARE(ProfileIni(path).get("SETTINGS", "TEXT3"), QString(100000, u'n'));
    }

    /// The real thing: a small file system that fills up during the save.
    void fullTmpfsKeepsTheOldFile()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a small tmpfs needs root; the failing-call rows cover the same paths");
        QTemporaryDir dir;
        const QByteArray mountPoint = QFile::encodeName(dir.path());
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP(qPrintable("no tmpfs could be mounted: " + systemError(errno)));
        auto unmount = qScopeGuard([&] { ::umount(mountPoint.constData()); });
        const QString path = dir.filePath("vorivuzav.ini");
        writeBytes(path, m_old);
        {
            QFile filler(dir.filePath("filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }
        ProfileIni ini(path);
        ini.set("SETTINGS", "TEXT3", QString(30000, u'n'));
        QVERIFY(!ini.save());
        QVERIFY2(ini.error().contains(systemError(ENOSPC)), qPrintable(ini.error()));
        QCOMPARE(readBytes(path), m_old);
    }

    void refusesWhatIsNoSettingsFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        QTest::newRow("FIFO") << "fifo" << "is a FIFO, not a regular file";
        QTest::newRow("link to a zero device") << "zero" << "is a character device, not a regular file";
        QTest::newRow("link to a random device") << "urandom" << "is a character device, not a regular file";
        QTest::newRow("folder") << "folder" << "is a folder, not a regular file";
        QTest::newRow("two megabytes") << "large" << "is larger than the 1048576 bytes a settings file may have (2097152 bytes)";
    }
    void refusesWhatIsNoSettingsFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString path = dir.filePath("vorivuzav.ini");
        const QByteArray name = QFile::encodeName(path);
        if (kind == "fifo")
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        else if (kind == "large")
            writeBytes(path, "[SETTINGS]\nTEXT3=" + QByteArray(2 * 1024 * 1024 - 17, 'x'));
        else {
            // A node of the scratch folder's own (zero: 1,5; urandom: 1,9), reached through a link.
            const QByteArray node = QFile::encodeName(dir.filePath(kind));
            if (::mknod(node.constData(), S_IFCHR | 0600, ::makedev(1, kind == "zero" ? 5 : 9)) != 0)
                QSKIP("making a device node needs root");
            QVERIFY(QFile::link(dir.filePath(kind), path));
        }
        const QFileInfo before(path);

        ProfileIni ini(path); // must neither block nor read without end
        QCOMPARE(ini.readState(), ProfileIni::ReadState::Unreadable);
        QCOMPARE(ini.readProblem(), why);
        QCOMPARE(ini.get("SETTINGS", "TEXT3", "<def>"), QString("<def>"));
        ini.set("SETTINGS", "TEXT3", "new");
        QVERIFY(!ini.save());
        QVERIFY2(ini.error().contains(why + ", so it is not written over"), qPrintable(ini.error()));
        const QFileInfo after(path);
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(after.isFile(), before.isFile());
        QCOMPARE(after.size(), before.size());
    }

    void unreadableFileIsNeverWrittenOver_data()
    {
        QTest::addColumn<int>("call");
        QTest::addColumn<int>("error");
        QTest::newRow("open refused") << int(FailingIo::Call::OpenForReading) << EACCES;
        QTest::newRow("read fails") << int(FailingIo::Call::Read) << EIO;
    }
    void unreadableFileIsNeverWrittenOver()
    {
        QFETCH(int, call);
        QFETCH(int, error);
        QTemporaryDir dir;
        const QString path = dir.filePath("vorivuzav.ini");
        writeBytes(path, m_old);
        std::optional<ProfileIni> ini;
        {
            FailingIo io(FailingIo::Call(call), error);
            safefile::ScopedIo scoped(io);
            ini.emplace(path);
        }
        QCOMPARE(ini->readState(), ProfileIni::ReadState::Unreadable);
        QCOMPARE(ini->readProblem(), "cannot be read (" + systemError(error) + ")");
        ini->set("SETTINGS", "TEXT3", "new");
        QVERIFY(!ini->save());
        QCOMPARE(readBytes(path), m_old);
        QVERIFY(!QFile::exists(path + ".bak"));
    }

    /// The same with real permissions, where they apply (root reads anything).
    void writeOnlyFileIsNeverWrittenOver()
    {
        if (::geteuid() == 0)
            QSKIP("root reads a write-only file; the failing-call rows cover the refusal");
        QTemporaryDir dir;
        const QString path = dir.filePath("vorivuzav.ini");
        writeBytes(path, m_old);
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        ProfileIni ini(path);
        QCOMPARE(ini.readState(), ProfileIni::ReadState::Unreadable);
        ini.set("SETTINGS", "TEXT3", "new");
        QVERIFY(!ini.save());
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(readBytes(path), m_old);
    }

    void eachSaveKeepsThePreviousVersion()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("ban.ini");
        const QString backup = path + ".bak";
        ProfileIni first(path);
        first.set("SETTINGS", "TEXT1", "one");
        QVERIFY(first.save());
        QVERIFY(!QFile::exists(backup)); // nothing came before
        const QByteArray one = readBytes(path);

        // A hand-made, world-readable previous version: its backup is owner-only.
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
        ProfileIni second(path);
        second.set("SETTINGS", "TEXT1", "two");
        QVERIFY(second.save());
        QCOMPARE(readBytes(backup), one);
        QCOMPARE(mode(backup), 0600);
        QCOMPARE(mode(path), 0600);

        ProfileIni third(path);
        third.set("SETTINGS", "TEXT1", "three");
        QVERIFY(third.save());
        QCOMPARE(ProfileIni(backup).get("SETTINGS", "TEXT1"), QString("two"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"ban.ini", "ban.ini.bak"}));
    }

    void emptyPreviousVersionKeepsTheBackup()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("ban.ini");
        writeBytes(path + ".bak", "[SETTINGS]\nTEXT1=good\n");
        writeBytes(path, QByteArray());
        ProfileIni ini(path);
        ini.set("SETTINGS", "TEXT1", "new");
        QVERIFY(ini.save());
        QCOMPARE(readBytes(path + ".bak"), QByteArray("[SETTINGS]\nTEXT1=good\n"));
    }

    void linkedFileIsWrittenThroughTheLink()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkdir(dir.filePath("shared")));
        const QString target = dir.filePath("shared/real.ini");
        writeBytes(target, "[SETTINGS]\nTEXT1=a\n");
        const QString path = dir.filePath("textmessage.ini");
        QVERIFY(QFile::link(target, path));
        ProfileIni ini(path);
        ini.set("SETTINGS", "TEXT1", "b");
        QVERIFY(ini.save());
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(readBytes(target), QByteArray("[SETTINGS]\nTEXT1=b\n"));
        QCOMPARE(readBytes(path + ".bak"), QByteArray("[SETTINGS]\nTEXT1=a\n"));
    }

    /// What saves killed half way left is removed at the next start: only
    /// regular files of this user's with the temporary name, only in the
    /// folder itself; anything else is left as it is.
    void leftoversOfInterruptedSaves_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("removed");
        QTest::newRow("a settings file's new copy") << "vorivuzav.ini.0a1b2c3d.tmp" << "file" << true;
        QTest::newRow("a backup's new copy") << "ban.ini.bak.deadbeef.tmp" << "file" << true;
        QTest::newRow("the timed slots' new copy") << "timedslots.json.00000000.tmp" << "file" << true;
        QTest::newRow("the settings file itself") << "vorivuzav.ini" << "file" << false;
        QTest::newRow("upper-case digits") << "vorivuzav.ini.0A1B2C3D.tmp" << "file" << false;
        QTest::newRow("seven digits") << "vorivuzav.ini.0a1b2c3.tmp" << "file" << false;
        QTest::newRow("nine digits") << "vorivuzav.ini.0a1b2c3d4.tmp" << "file" << false;
        QTest::newRow("no name before the digits") << ".0a1b2c3d.tmp" << "file" << false;
        QTest::newRow("another ending") << "vorivuzav.ini.0a1b2c3d.tmp~" << "file" << false;
        QTest::newRow("a FIFO") << "ban.ini.0a1b2c3d.tmp" << "fifo" << false;
        QTest::newRow("a link to a file elsewhere") << "ban.ini.0a1b2c3d.tmp" << "link" << false;
        QTest::newRow("a folder") << "ban.ini.0a1b2c3d.tmp" << "folder" << false;
        QTest::newRow("in a folder inside") << "inside/ban.ini.0a1b2c3d.tmp" << "file" << false;
        QTest::newRow("another user's") << "ban.ini.0a1b2c3d.tmp" << "foreign" << false;
    }
    void leftoversOfInterruptedSaves()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        QTemporaryDir elsewhere;
        const QString path = dir.filePath(name);
        const QByteArray encoded = QFile::encodeName(path);
        const QString target = elsewhere.filePath("kept.ini");
        writeBytes(target, "[SETTINGS]\nTEXT1=kept\n");
        if (name.contains(u'/'))
            QVERIFY(QDir(dir.path()).mkdir(name.section(u'/', 0, 0)));
        if (kind == "fifo")
            QCOMPARE(::mkfifo(encoded.constData(), 0600), 0);
        else if (kind == "link")
            QVERIFY(QFile::link(target, path));
        else if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        else
            writeBytes(path, "[SETTINGS]\nPASSWORD=secret\n");
        if (kind == "foreign" && (::geteuid() != 0 || ::chown(encoded.constData(), 65534, 65534) != 0))
            QSKIP("giving a file to another user needs root");

        QStringList problems;
        const QStringList gone = safefile::removeLeftovers(dir.path(), problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QCOMPARE(gone, removed ? QStringList{name} : QStringList());
        struct stat st {};
        QCOMPARE(::lstat(encoded.constData(), &st) == 0, !removed);
        QCOMPARE(readBytes(target), QByteArray("[SETTINGS]\nTEXT1=kept\n"));
    }

    /// Nodes made here stand for the real ones: a FIFO, a device (as
    /// /dev/null is), reached directly or through links.
    void whatIsNoFileIsNeverReplaced_data()
    {
        QTest::addColumn<QString>("node");
        QTest::addColumn<int>("links");
        QTest::addColumn<QString>("why");
        QTest::newRow("FIFO") << "fifo" << 0 << "is a FIFO, not a regular file";
        QTest::newRow("link to a FIFO") << "fifo" << 1 << "is a FIFO, not a regular file";
        QTest::newRow("link to a link to a device") << "device" << 2 << "is a character device, not a regular file";
        QTest::newRow("folder") << "folder" << 0 << "is a folder, not a regular file";
    }
    void whatIsNoFileIsNeverReplaced()
    {
        QFETCH(QString, node);
        QFETCH(int, links);
        QFETCH(QString, why);
        QTemporaryDir dir;
        QString path = dir.filePath("node");
        const QByteArray name = QFile::encodeName(path);
        if (node == "fifo")
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (node == "folder")
            QVERIFY(QDir().mkdir(path));
        else if (::mknod(name.constData(), S_IFCHR | 0600, ::makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
        struct stat before {};
        QCOMPARE(::lstat(name.constData(), &before), 0);
        for (int i = 0; i < links; ++i, path += "~")
            QVERIFY(QFile::link(path, path + "~"));

        const QString error = safefile::replace(path, "new", path + ".bak");
        QVERIFY2(error.contains(why + ", so it is not written over"), qPrintable(error));
        struct stat after {};
        QCOMPARE(::lstat(name.constData(), &after), 0);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_rdev, before.st_rdev);
        QCOMPARE(QFileInfo(path).isSymLink(), links > 0);
        QVERIFY(!QFileInfo::exists(path + ".bak"));
    }

    void windowsEncodingsAreKept_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("saved");
        auto utf16 = [](const QString &text, bool bigEndian) {
            QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
            for (const QChar c : text) {
                const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
                out.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
            }
            return out;
        };
        const QString before = QString::fromUtf8("[SETTINGS]\r\nTEXT3=Gr\xc3\xbc\xc3\x9f \xe2\x82\xac\r\nTEXT4=x\r\n");
        const QString after = QString::fromUtf8("[SETTINGS]\r\nTEXT3=Gr\xc3\xbc\xc3\x9f \xe2\x82\xac\r\nTEXT4=y\r\n");
        QTest::newRow("UTF-16 LE (Notepad's Unicode)")
            << utf16(before, false) << QString::fromUtf8("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac") << utf16(after, false);
        QTest::newRow("UTF-16 BE") << utf16(before, true) << QString::fromUtf8("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac")
                                   << utf16(after, true);
        QTest::newRow("UTF-8 with a byte-order mark")
            << "\xEF\xBB\xBF" + before.toUtf8() << QString::fromUtf8("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac")
            << "\xEF\xBB\xBF" + after.toUtf8();
        // Windows-1252 bytes, the code page's holes (0x81, 0x8D) included.
        QTest::newRow("Windows code page")
            << QByteArray("[SETTINGS]\r\nTEXT3=Gr\xfc\xdf \x80\x81\x8d\r\nTEXT4=x\r\n")
            << QString::fromUtf8("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac\xc2\x81\xc2\x8d")
            << QByteArray("[SETTINGS]\r\nTEXT3=Gr\xfc\xdf \x80\x81\x8d\r\nTEXT4=y\r\n");
    }
    void windowsEncodingsAreKept()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, value);
        QFETCH(QByteArray, saved);
        QTemporaryDir dir;
        const QString path = dir.filePath("vorivuzav.ini");
        writeBytes(path, file);
        ProfileIni ini(path);
        QCOMPARE(ini.get("SETTINGS", "TEXT3"), value);
        QCOMPARE(ini.get("SETTINGS", "TEXT4"), QString("x"));
        ini.set("SETTINGS", "TEXT3", ini.get("SETTINGS", "TEXT3"));
        ini.set("SETTINGS", "TEXT4", "y");
        QVERIFY(ini.save());
        QCOMPARE(readBytes(path), saved); // one section, same encoding, same bytes
    }

    void codePageFileTakesAnyTypedCharacter()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("textmessage.ini");
        writeBytes(path, "[SETTINGS]\nTEXT1=caf\xe9\n");
        ProfileIni ini(path);
        ini.set("SETTINGS", "TEXT2", QString::fromUtf8("\xd0\x9f\xd1\x80\xd0\xb8"));
        QVERIFY(ini.save());
        // No byte of the code page holds it: the file turns UTF-8, nothing is lost.
        const ProfileIni back(path);
        QCOMPARE(back.get("SETTINGS", "TEXT1"), QString::fromUtf8("caf\xc3\xa9"));
        QCOMPARE(back.get("SETTINGS", "TEXT2"), QString::fromUtf8("\xd0\x9f\xd1\x80\xd0\xb8"));
    }

    void tooLargeToReadBackIsNotWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("zurazod2.ini");
        writeBytes(path, "[SETTINGS]\nTEXT2=old\n");
        ProfileIni ini(path);
        ini.set("SETTINGS", "TEXT2", QString(int(safefile::kLargest), u'x'));
        QVERIFY(!ini.save());
        QVERIFY2(ini.error().contains("more than the 1048576"), qPrintable(ini.error()));
        QCOMPARE(readBytes(path), QByteArray("[SETTINGS]\nTEXT2=old\n"));
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "test_safe_file.moc"
