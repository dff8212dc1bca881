// Real processes: a settings file killed in the middle of saves, and the
// single-copy lock of a process that dies.

#include "ProfileIni.h"
#include "SafeFile.h"
#include "SaveVersions.h"
#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
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

private slots:
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

    /// Another user's lock file, as root can set one up: readable, so this
    /// user's copies share it; a stale one never blocks.
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
        QCOMPARE(mine.lockFile(), lock);
    }
};

QTEST_GUILESS_MAIN(TestSettingsProcesses)
#include "test_settings_processes.moc"
