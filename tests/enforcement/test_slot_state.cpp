#include "platform/SafeFile.h"
#include "enforcement/SlotState.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace gavelry;

namespace {

QDateTime wall(const QString &text)
{
    const QDateTime t = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    return QDateTime(t.date(), t.time(), Qt::UTC);
}

QByteArray oneRecord(const QString &due)
{
    return R"({"slots":[{"slot":1,"kind":"unmute","call":"W1ABC","due":")" + due.toLatin1() + R"("}]})";
}

/// Each record as "SLOT KIND CALL DUE|held".
QStringList describe(const QList<SlotRecord> &records)
{
    QStringList out;
    for (const SlotRecord &r : records)
        out.append(QStringLiteral("%1 %2 %3 %4")
                       .arg(r.slot)
                       .arg(r.kind == SlotKind::UnMute ? "unmute" : "unban", r.call,
                            r.due ? r.due->toLocalTime().toString("yyyy-MM-dd HH:mm:ss") : QStringLiteral("held")));
    return out;
}

} // namespace

class TestSlotState : public QObject {
    Q_OBJECT
private slots:
    void recordsComeBackAsWritten()
    {
        const QList<SlotRecord> records{
            {1, SlotKind::UnMute, "W1ABC", wall("2026-01-05 12:15:00.000")},
            {3, SlotKind::UnMute, "", std::nullopt},
            {4, SlotKind::UnBan, "K2XYZ \"the\" \\ one", wall("2031-12-31 23:59:59.000")},
        };
        QStringList problems;
        QCOMPARE(slotstate::parse(slotstate::format(records), problems), records);
        QVERIFY(problems.isEmpty());
    }

    void badFilesLoseOnlyWhatCannotBeRead_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("problems");
        const QByteArray good = R"({"slots":[{"slot":1,"kind":"unmute","call":"W1ABC","due":"2026-01-05T12:15:00"},)"
                                R"({"slot":5,"kind":"unban","call":"K2XYZ","due":null}]})";
        QTest::newRow("good") << good << QStringList{"1 unmute W1ABC 2026-01-05 12:15:00", "5 unban K2XYZ held"}
                              << QStringList{};
        QTest::newRow("empty") << QByteArray() << QStringList{} << QStringList{"the file is empty"};
        QTest::newRow("blank") << QByteArray("  \n") << QStringList{} << QStringList{"the file is empty"};
        QTest::newRow("cut short") << good.left(good.size() / 2) << QStringList{}
                                   << QStringList{"the file is not a list of slots"};
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe\x01{\"slots\"", 12) << QStringList{}
                                << QStringList{"the file is not a list of slots"};
        QTest::newRow("not a list") << QByteArray(R"({"slots":7})") << QStringList{}
                                    << QStringList{"the file is not a list of slots"};
        QTest::newRow("a list alone") << QByteArray("[1,2]") << QStringList{}
                                      << QStringList{"the file is not a list of slots"};
        QTest::newRow("slot 0") << QByteArray(R"({"slots":[{"slot":0,"kind":"unmute","call":"A","due":null}]})")
                                << QStringList{} << QStringList{"a record names no slot from 1 to 5"};
        QTest::newRow("slot 6") << QByteArray(R"({"slots":[{"slot":6,"kind":"unban","call":"A","due":null}]})")
                                << QStringList{} << QStringList{"a record names no slot from 1 to 5"};
        QTest::newRow("slot 1.5") << QByteArray(R"({"slots":[{"slot":1.5,"kind":"unmute","call":"A","due":null}]})")
                                  << QStringList{} << QStringList{"a record names no slot from 1 to 5"};
        QTest::newRow("slot as text") << QByteArray(R"({"slots":[{"slot":"1","kind":"unmute","call":"A"}]})")
                                      << QStringList{} << QStringList{"a record names no slot from 1 to 5"};
        QTest::newRow("kind unfit") << QByteArray(R"({"slots":[{"slot":2,"kind":"unban","call":"A","due":null}]})")
                                    << QStringList{} << QStringList{"slot 2 has a kind that does not fit it"};
        QTest::newRow("no callsign") << QByteArray(R"({"slots":[{"slot":2,"kind":"unmute","due":null}]})")
                                     << QStringList{} << QStringList{"slot 2 has no callsign"};
        QTest::newRow("due no time")
            << QByteArray(R"({"slots":[{"slot":4,"kind":"unban","call":"A","due":"2026-02-30T25:00:00"}]})")
            << QStringList{} << QStringList{"slot 4 has a due time that is no time"};
        QTest::newRow("due with no such offset") << oneRecord("2026-01-05T12:00:00+25:00") << QStringList{}
                                                 << QStringList{"slot 1 has a due time that is no time"};
        QTest::newRow("due in ISO form without an offset") << oneRecord("2026-01-05T12:00:00.5") << QStringList{}
                                                           << QStringList{"slot 1 has a due time that is no time"};
        QTest::newRow("due a number") << QByteArray(R"({"slots":[{"slot":4,"kind":"unban","call":"A","due":5}]})")
                                      << QStringList{} << QStringList{"slot 4 has a due time that is no time"};
        QTest::newRow("twice, the first kept")
            << QByteArray(R"({"slots":[{"slot":1,"kind":"unmute","call":"A","due":null},)"
                          R"({"slot":1,"kind":"unmute","call":"B","due":null}]})")
            << QStringList{"1 unmute A held"} << QStringList{"slot 1 is named twice"};
        QTest::newRow("one bad among good")
            << QByteArray(R"({"slots":["junk",{"slot":3,"kind":"unmute","call":"C","due":"1999-01-01T00:00:00"}]})")
            << QStringList{"3 unmute C 1999-01-01 00:00:00"} << QStringList{"a record names no slot from 1 to 5"};
        QTest::newRow("line break in the callsign")
            << QByteArray(R"({"slots":[{"slot":2,"kind":"unmute","call":"K1ABC\n.ban add W1XYZ","due":null}]})")
            << QStringList{} << QStringList{"slot 2 has a callsign with a control character"};
        QTest::newRow("NUL in the callsign")
            << QByteArray(R"({"slots":[{"slot":5,"kind":"unban","call":"K1\u0000","due":null}]})")
            << QStringList{} << QStringList{"slot 5 has a callsign with a control character"};
        QByteArray copies = R"({"slots":[)";
        for (int i = 0; i < 18000; ++i)
            copies += R"({"slot":2,"kind":"unmute","call":"A","due":null},{"slot":9},)";
        copies += R"({"slot":2,"kind":"unmute","call":"B","due":null}]})";
        QTest::newRow("18000 copies of a record, one line each kind")
            << copies << QStringList{"2 unmute A held"}
            << QStringList{"a record names no slot from 1 to 5 (18000 records)",
                           "slot 2 is named 18001 times: the first is taken, 18000 more records for slot 2 were left out"};
        const QString longCall(300, u'W');
        QTest::newRow("long callsign kept whole")
            << QByteArray(R"({"slots":[{"slot":1,"kind":"unmute","call":")") + longCall.toLatin1()
                   + QByteArray(R"(","due":null}]})")
            << QStringList{"1 unmute " + longCall + " held"} << QStringList{};
    }
    void badFilesLoseOnlyWhatCannotBeRead()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, records);
        QFETCH(QStringList, problems);
        QStringList found;
        QCOMPARE(describe(slotstate::parse(data, found)), records);
        QCOMPARE(found, problems);
    }

    void secondsUntilRoundsUp_data()
    {
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("due");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("whole") << "2026-01-05 12:00:00.000" << "2026-01-05 12:15:00.000" << qint64(900);
        QTest::newRow("part of a second") << "2026-01-05 12:00:00.400" << "2026-01-05 12:00:02.000" << qint64(2);
        QTest::newRow("now") << "2026-01-05 12:00:00.000" << "2026-01-05 12:00:00.000" << qint64(0);
        QTest::newRow("passed") << "2026-01-05 12:20:00.000" << "2026-01-05 12:15:00.000" << qint64(0);
        QTest::newRow("years ago") << "2026-01-05 12:00:00.000" << "1970-01-01 00:00:00.000" << qint64(0);
        QTest::newRow("years away") << "2026-01-05 12:00:00.000" << "2036-01-05 12:00:00.000"
                                    << qint64(3652) * 86400;
    }
    void secondsUntilRoundsUp()
    {
        QFETCH(QString, now);
        QFETCH(QString, due);
        QFETCH(qint64, seconds);
        QCOMPARE(slotstate::secondsUntil(wall(now), wall(due)), seconds);
    }

    /// Due times come back as the moments they were, on either side of a
    /// change of the clocks and whatever the reader's zone; files written
    /// before due times carried an offset hold the wall clock, and load.
    void dueTimesAcrossTheClockChanges_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("due");
        QTest::addColumn<QString>("utc");
        QTest::addColumn<QString>("written");
        const QByteArray berlin = "Europe/Berlin";
        QTest::newRow("wall clock, winter") << berlin << "2026-01-05T12:15:00" << "2026-01-05 11:15:00"
                                            << "2026-01-05T12:15:00+01:00";
        QTest::newRow("wall clock in the spring gap: as counted from before it")
            << berlin << "2026-03-29T02:05:00" << "2026-03-29 01:05:00" << "2026-03-29T03:05:00+02:00";
        QTest::newRow("wall clock in the repeated hour: its first pass")
            << berlin << "2026-10-25T02:30:00" << "2026-10-25 00:30:00" << "2026-10-25T02:30:00+02:00";
        QTest::newRow("offset, the repeated hour's second pass")
            << berlin << "2026-10-25T02:30:00+01:00" << "2026-10-25 01:30:00" << "2026-10-25T02:30:00+01:00";
        QTest::newRow("wall clock in New York's spring gap") << QByteArray("America/New_York") << "2026-03-08T02:30:00"
                                                             << "2026-03-08 07:30:00" << "2026-03-08T03:30:00-04:00";
        QTest::newRow("UTC, part of a second dropped") << QByteArray("UTC") << "2026-01-05T12:15:00.750Z"
                                                       << "2026-01-05 12:15:00" << "2026-01-05T12:15:00Z";
    }
    void dueTimesAcrossTheClockChanges()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, due);
        QFETCH(QString, utc);
        QFETCH(QString, written);
        QStringList problems;
        const QList<SlotRecord> records = slotstate::parse(oneRecord(due), problems, QTimeZone(zone));
        QVERIFY2(records.size() == 1 && problems.isEmpty(), qPrintable(problems.join(u'|')));
        QCOMPARE(records.first().due->toUTC().toString("yyyy-MM-dd HH:mm:ss.zzz"), utc + ".000");
        const QByteArray file = slotstate::format(records, QTimeZone(zone));
        QVERIFY2(file.contains(written.toLatin1()), file.constData());
        QCOMPARE(slotstate::parse(file, problems, QTimeZone("Asia/Kolkata")), records);
        QVERIFY(problems.isEmpty());
    }

    void fileIsReplacedWhole()
    {
        QTemporaryDir dir;
        QStringList problems;
        QVERIFY(slotstate::read(dir.path(), problems).isEmpty());
        QVERIFY(problems.isEmpty()); // no file: nothing runs, nothing to say
        const QList<SlotRecord> records{{2, SlotKind::UnMute, "W1ABC", wall("2026-01-05 12:15:00.000")}};
        QCOMPARE(slotstate::write(dir.path(), records), QString());
        QCOMPARE(slotstate::read(dir.path(), problems), records);
        QCOMPARE(slotstate::write(dir.path(), {}), QString());
        QVERIFY(slotstate::read(dir.path(), problems).isEmpty());
        QVERIFY(problems.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{slotstate::kFileName});
        QCOMPARE(QFile(QDir(dir.path()).filePath(slotstate::kFileName)).permissions()
                     & (QFileDevice::ReadOther | QFileDevice::WriteOther),
                 QFileDevice::Permissions());
    }

    /// Start-up reads the file: something that is no file must not hang or
    /// fill the memory, and says whether it may be written over.
    void whatIsNoStateFileIsNotRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("state");
        using S = slotstate::FileState;
        QTest::newRow("FIFO") << "fifo" << "the file is a FIFO, not a regular file" << int(S::NotAFile);
        QTest::newRow("link to a device") << "device" << "the file is a character device, not a regular file"
                                          << int(S::NotAFile);
        QTest::newRow("over a megabyte")
            << "large" << "the file is larger than the 1048576 bytes a settings file may have (1048577 bytes)"
            << int(S::Damaged);
        QTest::newRow("cut short") << "cut" << "the file is not a list of slots" << int(S::Damaged);
        QTest::newRow("empty: nothing to lose") << "" << "the file is empty" << int(S::Whole);
    }
    void whatIsNoStateFileIsNotRead()
    {
        QFETCH(QString, kind);
        QFETCH(QString, problem);
        QFETCH(int, state);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(slotstate::kFileName);
        const QByteArray node = QFile::encodeName(dir.filePath("node"));
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "device") {
            if (::mknod(node.constData(), S_IFCHR | 0600, ::makedev(1, 5)) != 0)
                QSKIP("making a device node needs root");
            QVERIFY(QFile::link(dir.filePath("node"), path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kind == "large" ? QByteArray(safefile::kLargest + 1, ' ')
                                       : kind == "cut" ? oneRecord("").left(30) : QByteArray());
        }
        QStringList problems;
        slotstate::FileState found = slotstate::FileState::Missing;
        QVERIFY(slotstate::read(dir.path(), problems, &found).isEmpty());
        QCOMPARE(problems, QStringList{problem});
        QCOMPARE(int(found), state);
    }

    /// A file that could not be read goes aside unchanged, never over one
    /// that went aside before; a link goes as the link.
    void damagedFileGoesAsideWhole()
    {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(slotstate::kFileName);
        QVERIFY(QFile::link(dir.filePath("elsewhere"), path));
        QString keptAs;
        QCOMPARE(slotstate::keepAside(dir.path(), keptAs), QString());
        QCOMPARE(keptAs, "timedslots.json.bak");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("second") == 6);
        file.close();
        QCOMPARE(slotstate::keepAside(dir.path(), keptAs), QString());
        QCOMPARE(keptAs, "timedslots.json.1.bak");
        QVERIFY(QFileInfo(dir.filePath("timedslots.json.bak")).isSymLink());
        QCOMPARE(QFileInfo(dir.filePath(keptAs)).size(), 6);
        QVERIFY(!QFileInfo::exists(path));
    }

    void unwritableFolderSaysWhy()
    {
        QVERIFY(!slotstate::write(QStringLiteral("/nonexistent/folder"), {}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSlotState)
#include "test_slot_state.moc"
