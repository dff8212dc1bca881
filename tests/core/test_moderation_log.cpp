// The moderation log: which lines it keeps, the station each concerns, the
// cause it names for a button, a DTMF code, the talk-time limit and a log-on,
// passwords masked, and a file that is moved aside before it grows too big;
// nothing but a regular file is written, and an entry the file cannot take
// is told and goes to standard error.
#include "core/ElidedLabel.h"
#include "enforcement/Form321.h"
#include "core/CommandWatch.h"
#include "core/ModerationLog.h"
#include "platform/SafeFile.h"
#include "TestRig.h"
#include "Version.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include "TestUi.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

/// The version, as captions and probe answers show it.
const QString kVersion = QString::fromLatin1(kVersionText);

QStringList fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

struct Logged {
    TestRig rig{QDateTime(QDate(2026, 1, 5), QTime(9, 7, 0))};
    QTemporaryDir folder;
    Form6 *f = nullptr;

    Logged()
    {
        rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
        rig.client.linkUp("*HARBOUR*");
        rig.build();
        QString error;
        if (!rig.program->moderationLog().setFolder(folder.path(), error))
            qFatal("%s", qPrintable(error));
        rig.start();
        f = &rig.form6();
    }
    QStringList entries() const { return fileLines(folder.filePath(ModerationLog::kFileName)); }
};

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

mode_t modeOf(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : mode_t(-1);
}

/// The real calls, but one of them fails as a full disk or a read-only
/// folder makes it fail.
class FailingIo : public safefile::Io {
public:
    enum class Call { Write, RenameFull, Create };
    FailingIo(Call call, int error) : m_call(call), m_error(error) {}
    int open(const char *path, int flags, mode_t mode) override
    {
        return m_call == Call::Create && (flags & O_CREAT) ? fail() : Io::open(path, flags, mode);
    }
    ssize_t write(int fd, const void *data, size_t size) override
    {
        // A few bytes go, then the disk is full: no half entry may stay.
        return m_call == Call::Write ? (m_wrote ? fail() : (m_wrote = true, Io::write(fd, data, std::min<size_t>(size, 7))))
                                     : Io::write(fd, data, size);
    }
    int rename(const char *from, const char *to) override
    {
        return m_call == Call::RenameFull && QByteArray(from).endsWith(".log") ? fail() : Io::rename(from, to);
    }

private:
    int fail()
    {
        errno = m_error;
        return -1;
    }
    Call m_call;
    int m_error;
    bool m_wrote = false;
};

} // namespace

class TestModerationLog : public QObject {
    Q_OBJECT
private slots:
    void readsLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("shown");

        QTest::newRow("mute") << ".mute N0CALL" << true << "N0CALL" << ".mute N0CALL";
        QTest::newRow("persistent") << ".mute N0CALL -p" << true << "N0CALL" << ".mute N0CALL -p";
        QTest::newRow("talker") << ".mute ." << true << "the talking station" << ".mute .";
        QTest::newRow("ban") << ".ban add K1ABC" << true << "K1ABC" << ".ban add K1ABC";
        QTest::newRow("unban") << ".ban delete K1ABC" << true << "K1ABC" << ".ban delete K1ABC";
        QTest::newRow("listing") << ".ban list" << true << "" << ".ban list";
        QTest::newRow("unmute all") << ".unmute -a" << true << "all stations" << ".unmute -a";
        QTest::newRow("attributes") << ".users ?" << true << "" << ".users ?";
        QTest::newRow("admin log-on") << ".admin FrothyLantern" << true << "" << ".admin ****";
        QTest::newRow("sysop log-on") << ".sysop secret words" << true << "" << ".sysop ****";
        QTest::newRow("quoted notice")
            << ".quote (14:05) ** N0CALL ** You have been Time Muted <<Admin Bot>>" << true << "N0CALL"
            << ".quote (14:05) ** N0CALL ** You have been Time Muted <<Admin Bot>>";
        QTest::newRow("plain unmute notice") << "(09:07) **** W1ABC **** You have been UnMuted. <<Admin>>" << true
                                             << "W1ABC" << "(09:07) **** W1ABC **** You have been UnMuted. <<Admin>>";
        QTest::newRow("talk-time warning") << " >> WARNING K2XYZ << 60 seconds to Auto Mute from the Conference. >> Admin Bot <<"
                                           << true << "K2XYZ"
                                           << " >> WARNING K2XYZ << 60 seconds to Auto Mute from the Conference. >> Admin Bot <<";
        QTest::newRow("talk-time mute notice")
            << "** Auto Mute ** Has been sent to W1ABC the node exceeding the conference key down limit of 10 minutes "
               "without a break. Disconnect and reconnect to remove the Mute. << Admin Bot >>"
            << true << "W1ABC"
            << "** Auto Mute ** Has been sent to W1ABC the node exceeding the conference key down limit of 10 minutes "
               "without a break. Disconnect and reconnect to remove the Mute. << Admin Bot >>";
        QTest::newRow("ordinary chat") << "hello all" << false << "" << "hello all";
        QTest::newRow("stamped chat") << "(09:07) hello all" << false << "" << "(09:07) hello all";
        QTest::newRow("probe answer") << "Chat-KZ v" + kVersion << false << "" << "Chat-KZ v" + kVersion;
    }
    void readsLines()
    {
        QFETCH(QString, line);
        QFETCH(bool, kept);
        QFETCH(QString, station);
        QFETCH(QString, shown);
        QCOMPARE(ModerationLog::isModerationLine(line), kept);
        if (kept)
            QCOMPARE(ModerationLog::stationOf(line), station);
        QCOMPARE(ModerationLog::masked(line), shown);
    }

    void aButtonIsTheCauseOfWhatItSends()
    {
        Logged l;
        ui(*l.f).Text36->setText(QStringLiteral("Admin Enabled"));
        l.rig.dialogs.queueAnswer(QStringLiteral("N0CALL"));
        ui(*l.f).Command46->click();
        // A command's entry waits for the server's answer (none here).
        QCOMPARE(l.entries().size(), 0);
        l.rig.advance(CommandWatch::kAnswerWaitMs);
        const QStringList entries = l.entries();
        QCOMPARE(entries.size(), 2); // the unmute, sent twice
        QVERIFY2(entries[0].startsWith(QStringLiteral("2026-01-05 09:07:00 | .unmute N0CALL | N0CALL | button \"")),
                 qPrintable(entries[0]));
        QVERIFY2(entries[0].endsWith(QStringLiteral("(Command46) | no answer in 10 s")), qPrintable(entries[0]));
        QVERIFY2(ui(*l.f).StatusLine->text().endsWith(QStringLiteral("No answer from the server in 10 s to .unmute N0CALL")),
                 qPrintable(ui(*l.f).StatusLine->text()));
    }

    /// The status line shows what of the last entry fits it in either form of
    /// the window, its start and its end around "…"; the tool tip holds the
    /// whole entry.
    void statusLineShowsBothEndsOfTheLastEntry_data()
    {
        QTest::addColumn<bool>("wide");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("cut");
        const QString fifty = QStringLiteral("2026-01-05 09:07:00 | .mute W1ABC | W1ABC | button ");
        const QString longCause = QStringLiteral("\"Mute 1 Station With NO Message\" (Command48)") + QString(200, u'x');
        QTest::newRow("narrow, short") << false << "09:07:00  ok" << false;
        QTest::newRow("wide, short") << true << "09:07:00  ok" << false;
        QTest::newRow("narrow, fits the wide form only") << false << fifty << true;
        QTest::newRow("wide, fits the wide form only") << true << fifty << false;
        QTest::newRow("narrow, long") << false << fifty + longCause << true;
        QTest::newRow("wide, long") << true << fifty + longCause << true;
    }
    void statusLineShowsBothEndsOfTheLastEntry()
    {
        QFETCH(bool, wide);
        QFETCH(QString, entry);
        QFETCH(bool, cut);
        Logged l;
        if (wide)
            ui(*l.f).Command39->click();
        l.f->showLastEvent(entry);
        ElidedLabel *line = ui(*l.f).StatusLine;
        QCOMPARE(line->text(), entry);
        QCOMPARE(line->toolTip(), entry);
        const QString shown = line->shownText();
        QVERIFY2(line->fontMetrics().horizontalAdvance(shown) <= line->contentsRect().width(), qPrintable(shown));
        if (!cut) {
            QCOMPARE(shown, entry);
            return;
        }
        const qsizetype mark = shown.indexOf(QChar(0x2026));
        QVERIFY2(mark > 0 && mark < shown.size() - 1, qPrintable(shown));
        QVERIFY2(entry.startsWith(shown.left(mark)) && entry.endsWith(shown.mid(mark + 1)), qPrintable(shown));
    }

    void aLogOnNeverShowsItsPassword()
    {
        Logged l;
        ui(*l.f).Log_On_Admin->click();
        l.rig.advance(CommandWatch::kAnswerWaitMs);
        const QStringList entries = l.entries();
        QCOMPARE(entries.size(), 1);
        QVERIFY2(entries[0].contains(QStringLiteral("| .admin **** | - | button")), qPrintable(entries[0]));
        QVERIFY(!entries[0].contains(QStringLiteral("FrothyLantern")));
    }

    void dtmfCodeAndSequenceAreTheCause()
    {
        Logged l;
        ui(*l.f).Text4->setText(QStringLiteral("N0CALL"));
        ui(*l.f).Text9->setText(QStringLiteral("55"));
        l.rig.client.raiseDTMF(QStringLiteral("55"));
        l.rig.advance(CommandWatch::kAnswerWaitMs);
        const QStringList entries = l.entries();
        QCOMPARE(entries.size(), 2); // the mute and its notice
        QVERIFY2(entries[0].endsWith(QStringLiteral("| .mute N0CALL | N0CALL | DTMF mute 1 (sequence 55) | no answer in 10 s")),
                 qPrintable(entries[0]));
        QVERIFY2(entries[1].endsWith(QStringLiteral("| N0CALL | DTMF mute 1 (sequence 55)")), qPrintable(entries[1]));
    }

    void talkTimeLimitIsTheCauseAndNamesTheTalker()
    {
        Logged l;
        ui(*l.f).Text36->setText(QStringLiteral("Admin Enabled"));
        ui(*l.f).BeaconPeriod2->setText(QStringLiteral("1"));
        l.rig.advance(100); // the idle job puts the new limit on the countdown
        l.rig.client.raiseRX(true);
        l.rig.client.raiseStationText(QStringLiteral("*HARBOUR*\r->W1ABC Lakeside"));
        l.rig.advance(61000 + CommandWatch::kAnswerWaitMs);
        const QStringList entries = l.entries();
        QVERIFY(entries.size() >= 2);
        QVERIFY2(entries[0].endsWith(QStringLiteral("| .mute . | W1ABC | talk-time limit of 1 minutes | no answer in 10 s")),
                 qPrintable(entries[0]));
    }

    void remoteSwitchIsLoggedAsAnAction_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("named");
        QTest::newRow("a callsign") << "K2XYZ" << "K2XYZ";
        // A station must not be able to write entries of its own.
        QTest::newRow("a forged entry after a line break")
            << "K2XYZ\n2026-01-05 09:07:00 | .ban add W1ABC | W1ABC | operator\rX"
            << QStringLiteral("K2XYZ 2026-01-05 09:07:00 | .ban add W1") + QChar(0x2026);
        QTest::newRow("a very long sender") << QString(100000, u'K') << QString(39, u'K') + QChar(0x2026);
    }
    void remoteSwitchIsLoggedAsAnAction()
    {
        QFETCH(QString, sender);
        QFETCH(QString, named);
        Logged l;
        l.rig.client.raiseChat(sender + QStringLiteral(">/TIMEOUT OFF/ N0CALL-L"));
        const QStringList entries = l.entries();
        QCOMPARE(entries.size(), 1);
        QVERIFY2(entries[0].endsWith("| talk-time limit off | - | remote probe /TIMEOUT OFF/ from " + named),
                 qPrintable(entries[0]));
        QCOMPARE(l.rig.program->moderationLog().lastEntry(), entries[0]);
    }

    void aTimedSlotIsTheCauseOfItsRelease()
    {
        Logged l;
        QVERIFY(l.rig.program->form321().timedMuteHandOver(QStringLiteral("W1ABC")));
        l.rig.advance(15 * 60 * 1000 + 1000 + CommandWatch::kAnswerWaitMs);
        const QStringList entries = l.entries();
        QVERIFY(!entries.isEmpty());
        QVERIFY2(entries[0].endsWith(QStringLiteral("| .unmute W1ABC | W1ABC | timed un-mute slot 1 ran out | no answer in 10 s")),
                 qPrintable(entries[0]));
    }

    /// Anything but a regular file in the log's place is refused without
    /// opening it (a FIFO would block the start for ever) and left as it
    /// was; the entries then go to standard error. A file the sysop made
    /// keeps the mode it had.
    void refusesWhatIsNoLogFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why"); // empty: written
        QTest::newRow("the sysop's own, readable by all") << "file" << "";
        QTest::newRow("FIFO") << "fifo" << "is a FIFO, not a regular file";
        QTest::newRow("link to a file") << "link" << "is a symbolic link, not a regular file";
        QTest::newRow("link to a FIFO") << "link to fifo" << "is a symbolic link, not a regular file";
        QTest::newRow("folder") << "folder" << "is a folder, not a regular file";
        QTest::newRow("second name of a file") << "hard link" << "has 2 names (hard links)";
        QTest::newRow("character device") << "device" << "is a character device, not a regular file";
    }
    void refusesWhatIsNoLogFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString path = dir.filePath(ModerationLog::kFileName);
        const QByteArray other = QFile::encodeName(dir.filePath(QStringLiteral("other")));
        const QByteArray name = QFile::encodeName(path);
        if (kind.endsWith(QLatin1String("fifo")))
            QCOMPARE(::mkfifo(other.constData(), 0666), 0);
        else if (kind == QLatin1String("device") && ::mknod(other.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device node (like /dev/null's, here) needs root");
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        else if (kind != QLatin1String("device"))
            QVERIFY(QFile(QFile::decodeName(other)).open(QIODevice::WriteOnly));
        QCOMPARE(::chmod(other.constData(), 0644) == 0, kind != QLatin1String("folder"));
        if (kind.startsWith(QLatin1String("link")))
            QCOMPARE(::symlink(other.constData(), name.constData()), 0);
        else if (kind == QLatin1String("hard link"))
            QCOMPARE(::link(other.constData(), name.constData()), 0);
        else if (kind != QLatin1String("folder"))
            QCOMPARE(::rename(other.constData(), name.constData()), 0);
        const QString kept = QFile::exists(QFile::decodeName(other)) ? QFile::decodeName(other) : path;
        const mode_t before = modeOf(kept);

        VirtualScheduler clock(QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0)));
        ModerationLog log(clock);
        QString error;
        QCOMPARE(log.setFolder(dir.path(), error), why.isEmpty());
        QVERIFY2(error.contains(why), qPrintable(error));
        if (!why.isEmpty())
            QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("\\| \\.mute N0CALL \\| N0CALL \\|")));
        log.sent(QStringLiteral(".mute N0CALL"));
        QCOMPARE(modeOf(kept), before);
        if (kind != QLatin1String("folder") && !kind.endsWith(QLatin1String("fifo")) && kind != QLatin1String("device"))
            QCOMPARE(fileLines(kept).size(), why.isEmpty() ? 1 : 0);
    }

    /// A full disk, or a full file that cannot be moved aside: told once on
    /// the status line, every entry still reaches standard error, the file
    /// never grows past its bound nor keeps half an entry, and no old file
    /// is dropped early. Once the disk takes entries again, the file does.
    void troubleIsToldOnceAndTheBoundHolds_data()
    {
        QTest::addColumn<int>("call");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("told");
        using C = FailingIo::Call;
        QTest::newRow("disk full") << int(C::Write) << ENOSPC << false << "No space left on device";
        QTest::newRow("full file, read-only folder")
            << int(C::RenameFull) << EROFS << true << "is full and cannot be moved aside (Read-only file system)";
        QTest::newRow("moved aside, no new file") << int(C::Create) << EDQUOT << true << "Disk quota exceeded";
    }
    void troubleIsToldOnceAndTheBoundHolds()
    {
        QFETCH(int, call);
        QFETCH(int, error);
        QFETCH(bool, full);
        QFETCH(QString, told);
        Logged l;
        const QString path = l.folder.filePath(ModerationLog::kFileName);
        const QByteArray fullLine = QByteArray(99, 'x') + '\n';
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::Append));
            if (full)
                for (qint64 n = 0; n <= ModerationLog::kRotateBytes / 100; ++n)
                    f.write(fullLine);
            f.write("before\n");
        }
        for (int n = 1; n <= ModerationLog::kKeep; ++n) {
            QFile old(path + QStringLiteral(".%1").arg(n));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray("old ") + QByteArray::number(n) + '\n');
        }
        const QByteArray kept = readBytes(path);
        ModerationLog &log = l.rig.program->moderationLog();
        QSignalSpy troubles(&log, &ModerationLog::troubled);
        {
            FailingIo io(FailingIo::Call(call), error);
            safefile::ScopedIo scoped(io);
            for (int n = 1; n <= 3; ++n) {
                QTest::ignoreMessage(QtInfoMsg, QRegularExpression(QStringLiteral("\\| missed %1 \\|").arg(n)));
                log.action(QStringLiteral("missed %1").arg(n), QString());
                if (n == 1)
                    QVERIFY2(ui(*l.f).StatusLine->text().contains(told), qPrintable(ui(*l.f).StatusLine->text()));
            }
        }
        QCOMPARE(troubles.count(), 1);
        QVERIFY2(troubles.at(0).at(0).toString().contains(told), qPrintable(troubles.at(0).at(0).toString()));
        if (call == int(FailingIo::Call::Create)) {
            QVERIFY(!QFile::exists(path));
            QCOMPARE(readBytes(path + QStringLiteral(".1")), kept);
        } else {
            QCOMPARE(readBytes(path), kept);
        }

        log.action(QStringLiteral("taken"), QString());
        QVERIFY2(fileLines(path).last().endsWith(QStringLiteral("| taken | - | operator")), qPrintable(fileLines(path).last()));
        QCOMPARE(readBytes(path + QStringLiteral(".%1").arg(full ? 2 : 1)), QByteArray("old 1\n"));
        QCOMPARE(readBytes(path + QStringLiteral(".%1").arg(ModerationLog::kKeep)),
                 QByteArray("old ") + QByteArray::number(full ? ModerationLog::kKeep - 1 : ModerationLog::kKeep) + '\n');
        if (full)
            QCOMPARE(readBytes(path + QStringLiteral(".1")), kept);
        QCOMPARE(troubles.count(), 1);
    }

    void fullFileIsMovedAside()
    {
        VirtualScheduler clock(QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0)));
        ModerationLog log(clock);
        QTemporaryDir folder;
        QString error;
        QVERIFY(log.setFolder(folder.path(), error));
        const QString line = QStringLiteral(".mute ") + QString(200, u'X');
        const int perFile = int(ModerationLog::kRotateBytes / 240) + 1;
        for (int i = 0; i < perFile * (ModerationLog::kKeep + 2); ++i)
            log.sent(line);
        QDir dir(folder.path());
        QStringList names = dir.entryList(QDir::Files, QDir::Name);
        QCOMPARE(names.size(), ModerationLog::kKeep + 1);
        for (const QString &name : names)
            QVERIFY2(QFileInfo(dir.filePath(name)).size() <= ModerationLog::kRotateBytes + 300, qPrintable(name));
        QCOMPARE(QFile::permissions(log.path()) & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestModerationLog)
#include "test_moderation_log.moc"
