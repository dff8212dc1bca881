// Real processes: a settings file killed in the middle of saves, and the
// single-copy lock of a process that dies; lock files that are not the
// sysop's own.

#include "platform/ProfileIni.h"
#include "platform/SafeFile.h"
#include "SaveVersions.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using gavelry::ProfileIni;
using gavelry::SingleInstance;
namespace safefile = gavelry::safefile;

namespace {

/// The version number a file holds, after checking it is that version's
/// bytes exactly; -1 (and the reason in why) when it is not.
qint64 wholeVersion(const QString &path, QString &why)
{
    const safefile::ReadResult file = safefile::read(path);
    if (file.state != safefile::ReadResult::State::Read) {
        why = path + (file.state == safefile::ReadResult::State::Missing ? " is missing" : " " + file.why);
        return -1;
    }
    bool ok = false;
    const qint64 k = ProfileIni(path).get("SETTINGS", "V").toLongLong(&ok);
    if (!ok || file.data != gavelry::test::versionBytes(k)) {
        why = QStringLiteral("%1 is no version written (%2 bytes, V=%3)")
                  .arg(path)
                  .arg(file.data.size())
                  .arg(ProfileIni(path).get("SETTINGS", "V", "<none>"));
        return -1;
    }
    return k;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QString firstLine(QProcess &p)
{
    while (!p.canReadLine())
        if (!p.waitForReadyRead(-1))
            return QStringLiteral("<ended: %1>").arg(QString::fromLocal8Bit(p.readAllStandardError()));
    return QString::fromLocal8Bit(p.readLine()).trimmed();
}

} // namespace

class TestSettingsProcesses : public QObject {
    Q_OBJECT
    /// Where a fall-back lock goes ($XDG_RUNTIME_DIR): a scratch folder.
    QTemporaryDir m_runtime;

private slots:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path())); }

    /// kill -9 at random moments while saves follow each other: the file is
    /// always there, whole, one of the versions written, never older than
    /// before; its backup is a whole, earlier version too.
    void killedWhileSavingLeavesAWholeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("vorivuzav.ini");
        {
            ProfileIni ini(path);
            gavelry::test::setVersion(ini, 0);
            QVERIFY(ini.save());
        }
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        qint64 last = 0;
        int changed = 0;
        for (int round = 0; round < 150; ++round) {
            QProcess saver;
            saver.start(SETTINGS_HELPER, {"save", path, QString::number(last + 1)});
            QVERIFY(saver.waitForStarted(-1));
            QCOMPARE(firstLine(saver), QStringLiteral("saving"));
            std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(20000)));
            saver.kill(); // SIGKILL
            QVERIFY(saver.waitForFinished(-1));
            QVERIFY2(saver.exitStatus() == QProcess::CrashExit,
                     qPrintable("the saver stopped by itself: " + QString::fromLocal8Bit(saver.readAllStandardError())));

            QString why;
            const qint64 k = wholeVersion(path, why);
            QVERIFY2(k >= 0, qPrintable(QStringLiteral("round %1, seed %2: %3").arg(round).arg(seed).arg(why)));
            QVERIFY2(k >= last, qPrintable(QStringLiteral("round %1, seed %2: version %3 after %4").arg(round).arg(seed).arg(k).arg(last)));
            if (QFile::exists(path + ".bak")) {
                const qint64 b = wholeVersion(path + ".bak", why);
                QVERIFY2(b >= 0 && b <= k, qPrintable(QStringLiteral("round %1, seed %2: backup: %3").arg(round).arg(seed).arg(why)));
            }
            changed += k > last;
            last = k;
        }
        // The kills fell among saves, not only before the first one.
        QVERIFY2(changed > 0 && last > 0, qPrintable(QStringLiteral("no save finished in 150 runs (seed %1)").arg(seed)));
        qInfo("%d of 150 runs saved; %lld versions in all", changed, last);
        QVERIFY(QFile::exists(path + ".bak"));
    }

    void lockDiesWithItsProcess()
    {
        QTemporaryDir dir;
        QProcess holder;
        holder.start(SETTINGS_HELPER, {"lock", dir.path()});
        QCOMPARE(firstLine(holder), QString("held"));
        {
            SingleInstance second(dir.path());
            QVERIFY(!second.acquire());
            QCOMPARE(second.holder(), QStringLiteral("process %1").arg(holder.processId()));
        }
        holder.kill();
        QVERIFY(holder.waitForFinished(-1));
        SingleInstance next(dir.path());
        QVERIFY(next.acquire());
        QVERIFY(next.problem().isEmpty());
        // And a process started now is the one refused.
        QProcess late;
        late.start(SETTINGS_HELPER, {"lock", dir.path()});
        QCOMPARE(firstLine(late), QString("running"));
        QVERIFY(late.waitForFinished(-1));
    }

    /// A copy killed inside its own PID namespace: its pid means nothing out
    /// here, and the lock still goes with it.
    void lockOfACopyInAnotherPidNamespaceDiesWithIt()
    {
        const QString unshare = QStandardPaths::findExecutable("unshare");
        if (unshare.isEmpty())
            QSKIP("no unshare to make a PID namespace with");
        QTemporaryDir dir;
        QProcess holder;
        holder.start(unshare, {"--user", "--map-root-user", "--pid", "--fork", "--kill-child", SETTINGS_HELPER,
                               "lock", dir.path()});
        const QString said = firstLine(holder);
        if (said != "held")
            QSKIP(qPrintable("no PID namespace could be made: " + said));
        {
            SingleInstance second(dir.path());
            QVERIFY(!second.acquire());
        }
        holder.kill(); // the copy inside goes with it (--kill-child)
        QVERIFY(holder.waitForFinished(-1));
        // The copy inside ends a moment after: wait for that, not for a time.
        for (;;) {
            SingleInstance next(dir.path());
            if (next.acquire())
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    void everySpellingOfTheFolderSharesOneLock_data()
    {
        QTest::addColumn<QString>("spelling");
        QTest::newRow("a link to it") << "link";
        QTest::newRow("with ..") << "real/../real";
        QTest::newRow("trailing slash") << "real/";
    }
    void everySpellingOfTheFolderSharesOneLock()
    {
        QFETCH(QString, spelling);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("real"));
        QVERIFY(QFile::link(dir.filePath("real"), dir.filePath("link")));
        QProcess holder;
        holder.start(SETTINGS_HELPER, {"lock", dir.filePath(spelling)});
        QCOMPARE(firstLine(holder), QString("held"));
        SingleInstance second(dir.filePath("real"));
        QVERIFY(!second.acquire());
        holder.kill();
        QVERIFY(holder.waitForFinished(-1));
    }

    void leftoversNeverBlockAStart_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("mode");
        QTest::newRow("empty") << QByteArray() << 0644;
        QTest::newRow("garbage") << QByteArray("\xff\x00\x01garbage\n", 11) << 0644;
        QTest::newRow("a live process on another host") << QByteArray("1\nGavelry\nsome-other-host\n") << 0644;
        QTest::newRow("a pid from another namespace") << QByteArray("2\n") << 0644;
        QTest::newRow("cannot be opened (another user's)") << QByteArray("999999\nGavelry\nhere\n") << 0000;
    }
    void leftoversNeverBlockAStart()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString lock = dir.filePath("gavelry.lock");
        {
            QFile f(lock);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QCOMPARE(::chmod(QFile::encodeName(lock).constData(), mode_t(mode)), 0);
        QProcess first;
        first.start(SETTINGS_HELPER, {"lock", dir.path()});
        QCOMPARE(firstLine(first), QString("held"));
        // Still one copy only.
        SingleInstance second(dir.path());
        QVERIFY(!second.acquire());
        first.kill();
        QVERIFY(first.waitForFinished(-1));
    }

    /// Another user's lock file, as root can set one up: anyone who can
    /// read it could hold it and keep the bot from starting, so it is left
    /// alone, the operator is told, and a private lock keeps copies apart.
    void anotherUsersLockFile()
    {
        if (::geteuid() != 0)
            QSKIP("giving a file to another user needs root");
        QTemporaryDir dir;
        const QString lock = dir.filePath("gavelry.lock");
        QFile f(lock);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("4242\nGavelry\nhere\n");
        f.close();
        QCOMPARE(::chown(QFile::encodeName(lock).constData(), 65534, 65534), 0);
        SingleInstance mine(dir.path());
        QVERIFY(mine.acquire());
        QVERIFY(mine.holds());
        QVERIFY2(mine.lockFile().startsWith(m_runtime.path() + u'/'), qPrintable(mine.lockFile()));
        QVERIFY2(mine.problem().contains(lock + " belongs to user 65534"), qPrintable(mine.problem()));
        QCOMPARE(QFileInfo(lock).ownerId(), 65534u);
        QCOMPARE(readAll(lock), QByteArray("4242\nGavelry\nhere\n"));
        SingleInstance second(dir.path());
        QVERIFY(!second.acquire());
        QCOMPARE(second.holder(), QStringLiteral("process %1").arg(::getpid()));
    }

    /// What is not a plain file of the sysop's in the lock file's place is
    /// never opened for writing, truncated or given another mode; a lock
    /// file of the sysop's that others could read is made owner-only.
    void lockFilesNotTheSysopsOwn_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("usedAsItIs");
        QTest::newRow("world-readable, the sysop's") << "readable" << true;
        QTest::newRow("a FIFO") << "fifo" << false;
        QTest::newRow("a link to a file") << "link" << false;
        QTest::newRow("a second name of a file") << "hard link" << false;
    }
    void lockFilesNotTheSysopsOwn()
    {
        QFETCH(QString, kind);
        QFETCH(bool, usedAsItIs);
        QTemporaryDir dir;
        const QString lock = dir.filePath("gavelry.lock");
        const QString other = dir.filePath("other");
        const QByteArray content("the system's own\n");
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(lock).constData(), 0644), 0);
        } else {
            QFile f(kind == "readable" ? lock : other);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
            f.close();
            QCOMPARE(::chmod(QFile::encodeName(f.fileName()).constData(), 0644), 0);
        }
        if (kind == "link")
            QVERIFY(QFile::link(other, lock));
        else if (kind == "hard link")
            QCOMPARE(::link(QFile::encodeName(other).constData(), QFile::encodeName(lock).constData()), 0);

        SingleInstance mine(dir.path());
        QVERIFY(mine.acquire());
        QVERIFY(mine.holds());
        SingleInstance second(dir.path());
        QVERIFY(!second.acquire());
        QCOMPARE(second.holder(), QStringLiteral("process %1").arg(::getpid()));
        if (usedAsItIs) {
            QCOMPARE(mine.lockFile(), lock);
            QVERIFY(mine.problem().isEmpty());
            QCOMPARE(QFile::permissions(lock), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
            return;
        }
        QVERIFY2(mine.lockFile().startsWith(m_runtime.path() + u'/'), qPrintable(mine.lockFile()));
        QVERIFY2(mine.problem().contains(lock) && mine.problem().contains("left alone"), qPrintable(mine.problem()));
        if (kind != "fifo") {
            QCOMPARE(readAll(other), content);
            QCOMPARE(QFileInfo(other).permissions() & QFile::ReadOther, QFile::ReadOther);
        }
    }

    /// Where the folder's own lock file is of no use and there is no
    /// $XDG_RUNTIME_DIR, TMPDIR/gavelry-UID is used, made private; one that
    /// is not (its name can be guessed and made first) is not used.
    void fallbackWithoutRuntimeFolder_data()
    {
        QTest::addColumn<int>("premade"); // mode of TMPDIR/gavelry-UID made before, -1: none
        QTest::newRow("made now") << -1;
        QTest::newRow("there before, open to all") << 0777;
    }
    void fallbackWithoutRuntimeFolder()
    {
        QFETCH(int, premade);
        QTemporaryDir dir;
        QTemporaryDir tmp;
        const QByteArray tmpBefore = qgetenv("TMPDIR");
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        const auto restore = qScopeGuard([&] {
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
            tmpBefore.isEmpty() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmpBefore);
        });
        const QString guessable = tmp.filePath(QStringLiteral("gavelry-%1").arg(::geteuid()));
        if (premade >= 0) {
            QVERIFY(QDir().mkdir(guessable));
            QCOMPARE(::chmod(QFile::encodeName(guessable).constData(), mode_t(premade)), 0);
        }
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("gavelry.lock")).constData(), 0600), 0);
        SingleInstance mine(dir.path());
        QVERIFY(mine.acquire()); // a start is never refused for want of a lock
        QCOMPARE(mine.holds(), premade < 0);
        if (premade >= 0) {
            QVERIFY2(mine.problem().contains(guessable + " is not a folder of this user's alone"), qPrintable(mine.problem()));
            return;
        }
        QCOMPARE(QFileInfo(mine.lockFile()).absolutePath(), guessable);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(guessable).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0700));
        SingleInstance second(dir.path());
        QVERIFY(!second.acquire());
    }

    /// Root made the lock file in a sysop's folder: it goes to the sysop,
    /// so that the sysop's own copies lock the same file.
    void rootGivesTheLockFileToTheFolderOwner()
    {
        if (::geteuid() != 0)
            QSKIP("giving a folder to another user needs root");
        QTemporaryDir dir;
        QCOMPARE(::chown(QFile::encodeName(dir.path()).constData(), 65534, 65534), 0);
        SingleInstance root(dir.path());
        QVERIFY(root.acquire());
        QCOMPARE(root.lockFile(), dir.filePath("gavelry.lock"));
        QCOMPARE(QFileInfo(root.lockFile()).ownerId(), 65534u);
        QCOMPARE(QFile::permissions(root.lockFile()), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }
};

QTEST_GUILESS_MAIN(TestSettingsProcesses)
#include "test_settings_processes.moc"
