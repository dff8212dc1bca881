#include "SlotState.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace gavelry;

namespace {

QDateTime wall(const QString &text)
{
    const QDateTime t = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    return QDateTime(t.date(), t.time(), Qt::UTC);
}

/// Each record as "SLOT KIND CALL DUE|held".
QStringList describe(const QList<SlotRecord> &records)
{
    QStringList out;
    for (const SlotRecord &r : records)
        out.append(QStringLiteral("%1 %2 %3 %4")
                       .arg(r.slot)
                       .arg(r.kind == SlotKind::UnMute ? "unmute" : "unban", r.call,
                            r.due ? r.due->toString("yyyy-MM-dd HH:mm:ss") : QStringLiteral("held")));
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
    /// fill the memory.
    void whatIsNoStateFileIsNotRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("problem");
        QTest::newRow("FIFO") << "fifo" << "the file is a FIFO, not a regular file";
        QTest::newRow("link to /dev/zero") << "/dev/zero" << "the file is a character device, not a regular file";
    }
    void whatIsNoStateFileIsNotRead()
    {
        QFETCH(QString, kind);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(slotstate::kFileName);
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            QVERIFY(QFile::link(kind, path));
        QStringList problems;
        QVERIFY(slotstate::read(dir.path(), problems).isEmpty());
        QCOMPARE(problems, QStringList{problem});
    }

    void unwritableFolderSaysWhy()
    {
        QVERIFY(!slotstate::write(QStringLiteral("/nonexistent/folder"), {}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSlotState)
#include "test_slot_state.moc"
