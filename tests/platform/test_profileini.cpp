#include "platform/ProfileIni.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using gavelry::ProfileIni;

namespace {

/// A disk that is full for every file holding some text.
class FullForSome : public gavelry::safefile::Io {
public:
    explicit FullForSome(const QByteArray &text) : m_text(text) {}
    ssize_t write(int fd, const void *data, size_t size) override
    {
        const QByteArrayView bytes(static_cast<const char *>(data), qsizetype(size));
        if (!m_text.isEmpty() && bytes.contains(m_text)) {
            errno = ENOSPC;
            return -1;
        }
        return Io::write(fd, data, size);
    }

private:
    QByteArray m_text;
};

/// Entries of setEach: each a key and its value.
using Entries = QList<QStringList>;

/// A settings folder after writing entries into its file: the file, its
/// backup and the error of each save, the folder's name taken out.
struct Written {
    QByteArray file;
    QByteArray backup;
    QStringList errors;
    bool operator==(const Written &) const = default;
};

char *toString(const Written &w)
{
    return QTest::toString(QStringLiteral("file %1\nbackup %2\nerrors %3")
                               .arg(QString::fromLatin1(w.file.toPercentEncoding(" =[]\r\n")),
                                    QString::fromLatin1(w.backup.toPercentEncoding(" =[]\r\n")),
                                    w.errors.join(QStringLiteral(" | "))));
}

} // namespace

class TestProfileIni : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Written m_oneByOne, m_atOnce;
    QString write(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("t.ini"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }
    QByteArray read(const QString &path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void reads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("crlf") << QByteArray("[SETTINGS]\r\nTEXT3=CCC\r\n") << "SETTINGS" << "TEXT3" << "CCC";
        QTest::newRow("lf") << QByteArray("[SETTINGS]\nTEXT3=CCC\n") << "SETTINGS" << "TEXT3" << "CCC";
        QTest::newRow("key case") << QByteArray("[SETTINGS]\r\nCHECK1=0\r\n") << "SETTINGS" << "Check1" << "0";
        QTest::newRow("section case") << QByteArray("[settings]\r\nx=1\r\n") << "SETTINGS" << "X" << "1";
        QTest::newRow("blanks around =") << QByteArray("[S]\n  KEY  =  some value  \n") << "S" << "key" << "some value";
        QTest::newRow("quoted") << QByteArray("[S]\nKEY=\"  padded \"\n") << "S" << "KEY" << "  padded ";
        QTest::newRow("one quote kept") << QByteArray("[S]\nKEY=\"open\n") << "S" << "KEY" << "\"open";
        QTest::newRow("comment skipped") << QByteArray("[S]\n;KEY=no\nKEY=yes\n") << "S" << "KEY" << "yes";
        QTest::newRow("first of twins") << QByteArray("[S]\nKEY=1\nKEY=2\n") << "S" << "KEY" << "1";
        QTest::newRow("other section") << QByteArray("[A]\nKEY=a\n[S]\nKEY=s\n") << "S" << "KEY" << "s";
        QTest::newRow("missing key") << QByteArray("[S]\nOTHER=1\n") << "S" << "KEY" << "<def>";
        QTest::newRow("missing section") << QByteArray("[A]\nKEY=1\n") << "S" << "KEY" << "<def>";
        QTest::newRow("empty value") << QByteArray("[S]\nKEY=\n") << "S" << "KEY" << "";
        QTest::newRow("no newline at end") << QByteArray("[S]\nKEY=tail") << "S" << "KEY" << "tail";
        QTest::newRow("value with =") << QByteArray("[S]\nKEY=a=b\n") << "S" << "KEY" << "a=b";
        QTest::newRow("ansi byte") << QByteArray("[S]\nKEY=caf\xe9\n") << "S" << "KEY" << QString::fromUtf8("caf\xc3\xa9");
        QTest::newRow("binary junk") << QByteArray("\x00\x01\xff\n[S]\nKEY=v\x00x\n", 16) << "S" << "KEY" << "vx";
    }
    void reads()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const ProfileIni ini(write(file));
        QCOMPARE(ini.get(section, key, QStringLiteral("<def>")), expected);
    }

    void longValueReadWhole()
    {
        const QString value(1000, u'x');
        ProfileIni ini(m_dir.filePath(QStringLiteral("long.ini")));
        ini.set(QStringLiteral("SETTINGS"), QStringLiteral("K"), value);
        QVERIFY(ini.save());
        QCOMPARE(ProfileIni(ini.path()).get(QStringLiteral("SETTINGS"), QStringLiteral("K")), value);
    }

    void writeKeepsEverythingElse()
    {
        const QString path = write("; written by hand\r\n[OTHER]\r\nA=1\r\n\r\n[Settings]\r\nText3 = old\r\nKEEP=me\r\n\r\n[LAST]\r\nZ=9\r\n");
        ProfileIni ini(path);
        ini.set(QStringLiteral("SETTINGS"), QStringLiteral("TEXT3"), QStringLiteral("new"));
        ini.set(QStringLiteral("SETTINGS"), QStringLiteral("ADDED"), QStringLiteral("x"));
        QVERIFY(ini.save());
        QCOMPARE(read(path), QByteArray("; written by hand\r\n[OTHER]\r\nA=1\r\n\r\n[Settings]\r\nTEXT3=new\r\nKEEP=me\r\nADDED=x\r\n\r\n[LAST]\r\nZ=9\r\n"));
    }

    void lineBreakCannotInjectKey()
    {
        ProfileIni ini(m_dir.filePath(QStringLiteral("inject.ini")));
        ini.set(QStringLiteral("S"), QStringLiteral("NAME"), QStringLiteral("x\r\nPASSWORD=stolen\n[X]"));
        QVERIFY(ini.save());
        const ProfileIni back(ini.path());
        QVERIFY(!back.find(QStringLiteral("S"), QStringLiteral("PASSWORD")));
        QCOMPARE(back.get(QStringLiteral("S"), QStringLiteral("NAME")), QStringLiteral("x PASSWORD=stolen [X]"));
    }

    void savedFileIsOwnerOnly()
    {
        ProfileIni ini(m_dir.filePath(QStringLiteral("perm.ini")));
        ini.set(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
        QVERIFY(ini.save());
        const auto perms = QFile::permissions(ini.path());
        QVERIFY(perms & QFileDevice::ReadOwner);
        QVERIFY(!(perms & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther)));
    }

    // What a file means survives a load, a save of a key elsewhere and a
    // second load, whatever bytes it starts with: a byte-order mark counts
    // only at the very start of the file, before and after a save, and the
    // second save writes the bytes of the first.
    void meaningSurvivesLoadSaveLoad_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("call"); // "?": no CALL in SETTINGS
        const QByteArray body("[SETTINGS]\r\nCALL=N0CALL\r\n");
        QTest::newRow("NUL, then a UTF-8 mark (fuzzer)")
            << QByteArray("\x00\xEF\xBB\xBF[SETTINGS]\r\nCALL=N\x04" "0CALL*", 29) << "?";
        QTest::newRow("NULs, then a UTF-8 mark") << QByteArray("\x00\x00\xEF\xBB\xBF", 5) + body << "?";
        QTest::newRow("NUL, then a mark, in the code page")
            << QByteArray("\x00\xEF\xBB\xBF\r\n[SETTINGS]\r\nCALL=caf\xE9\r\n", 29) << QString::fromUtf8("caf\xC3\xA9");
        QTest::newRow("NUL, then a UTF-16 LE mark, in the code page")
            << QByteArray("\x00\xFF\xFE\r\n[SETTINGS]\r\nCALL=caf\xE9\r\n", 28) << QString::fromUtf8("caf\xC3\xA9");
        QTest::newRow("NUL, then a UTF-16 BE mark, in the code page")
            << QByteArray("\x00\xFE\xFF\r\n[SETTINGS]\r\nCALL=caf\xE9\r\n", 28) << QString::fromUtf8("caf\xC3\xA9");
        QTest::newRow("two UTF-8 marks") << "\xEF\xBB\xBF\xEF\xBB\xBF" + body << "?";
        QTest::newRow("two UTF-8 marks, a line before") << "\xEF\xBB\xBF\xEF\xBB\xBF\r\n" + body << "N0CALL";
        QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBF" + body << "N0CALL";
        QTest::newRow("a mark inside") << "[A]\r\nX=1\r\n\xEF\xBB\xBF" + body << "?";
        QTest::newRow("UTF-16 LE without a mark")
            << QByteArray("[\0S\0E\0T\0T\0I\0N\0G\0S\0]\0\r\0\n\0C\0A\0L\0L\0=\0W\0\x31\0", 38) << "W1";
        QTest::newRow("plain") << body << "N0CALL";
    }
    void meaningSurvivesLoadSaveLoad()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, call);
        const QString path = write(file);
        ProfileIni ini(path);
        QCOMPARE(ini.get("SETTINGS", "CALL", "?"), call);
        ini.set("FUZZ", "KEY", "v");
        QVERIFY(ini.save());
        const QByteArray saved = read(path);
        ProfileIni again(path);
        QCOMPARE(again.get("SETTINGS", "CALL", "?"), call);
        QCOMPARE(again.get("FUZZ", "KEY"), QStringLiteral("v"));
        again.set("FUZZ", "KEY", "v");
        QVERIFY(again.save());
        QCOMPARE(read(path), saved);
    }

    // A folder whose name holds "%1" or "%2" is the folder the file is
    // written to, and its name shows whole in a message.
    void percentSignsInTheFolderName_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("%1") << "%1";
        QTest::newRow("%2") << "%2";
        QTest::newRow("%3 and %1") << "a%3b%1";
    }
    void percentSignsInTheFolderName()
    {
        QFETCH(QString, folder);
        QTemporaryDir top;
        QVERIFY(QDir(top.path()).mkpath(folder));
        const QString path = top.filePath(folder + QStringLiteral("/x.ini"));
        ProfileIni ini(path);
        ini.set("SETTINGS", "K", "v");
        QVERIFY2(ini.save(), qPrintable(ini.error()));
        QCOMPARE(read(path), QByteArray("[SETTINGS]\nK=v\n"));
        QCOMPARE(QDir(top.filePath(folder)).entryList(QDir::Files), QStringList{"x.ini"});
        QCOMPARE(QDir(top.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{folder});

        ini.set("SETTINGS", "K", QString(2 << 20, u'x'));
        QVERIFY(!ini.save());
        QVERIFY2(ini.error().startsWith("Cannot write " + path + ": the settings would take 2097166 bytes"),
                 qPrintable(ini.error()));
    }

    // Entries written all at once come out as written one at a time, each
    // with a file read afresh, set and saved: the same file, the same
    // backup, the same error for each. Only when the disk refuses the last
    // write is the backup older.
    void setEachWritesAsOneByOne_data()
    {
        QTest::addColumn<QByteArray>("file"); // null: no file; "FIFO": a FIFO; "UNDER A FILE": t.ini/t.ini
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QByteArray>("fullFor"); // the disk refuses files holding this
        const QByteArray none;
        const Entries three{{"A", "1"}, {"B", "2"}, {"a", "3"}};
        QTest::newRow("no file") << none << three << QByteArray();
        QTest::newRow("one entry, the backup is the old file")
            << QByteArray("[S]\nA=0\n") << Entries{{"A", "1"}} << QByteArray();
        QTest::newRow("one entry, no file") << none << Entries{{"A", "1"}} << QByteArray();
        QTest::newRow("keys of the section, in any case")
            << QByteArray("[S]\nb=old\n; note\n\nA\n[T]\nB=other\n")
            << Entries{{"B", "1"}, {"C", "2"}, {"a", "3"}, {"c", "4"}} << QByteArray();
        QTest::newRow("the first of twins") << QByteArray("[s]\nK=1\nk=2\n") << Entries{{"K", "x"}, {"K", "y"}} << QByteArray();
        QTest::newRow("section missing, blank lines at the end")
            << QByteArray("[T]\nA=1\n\n\n") << Entries{{"A", "2"}, {"B", "3"}, {"A", "4"}} << QByteArray();
        QTest::newRow("section after another, blank lines between")
            << QByteArray("[S]\n\nA=1\n\n\n[T]\nZ=9\n") << Entries{{"N", "1"}, {"A", "2"}, {"M", "3"}} << QByteArray();
        QTest::newRow("CRLF") << QByteArray("[S]\r\nA=1\r\n") << three << QByteArray();
        QTest::newRow("line breaks in values")
            << none << Entries{{"A", "x\r\nB=1"}, {"B", "y\nz"}, {"A", "\r"}} << QByteArray();
        QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF[S]\nA=\xC3\xA9\n")
                                    << Entries{{"A", "\u00E9\u00E8"}, {"B", "\U0001F600"}} << QByteArray();
        QTest::newRow("UTF-16 LE") << QByteArray("\xFF\xFE[\0S\0]\0\n\0", 10) << three << QByteArray();
        QTest::newRow("UTF-16 BE") << QByteArray("\xFE\xFF\0[\0S\0]\0\n", 10) << Entries{{"A", "\u20AC"}, {"A", "1"}}
                                   << QByteArray();
        QTest::newRow("keys that fold alike")
            << QByteArray("[S]\n\xC5\xBFKEY=1\n") << Entries{{"skey", "2"}, {"SKEY", "3"}} << QByteArray();
        QTest::newRow("code page, then plain text") << QByteArray("[S]\nA=caf\xE9\n")
                                                    << Entries{{"A", "plain"}, {"B", "caf\u00E9"}, {"C", "\u03A9"}} << QByteArray();
        QTest::newRow("mark's character first in UTF-8") << QByteArray("\0\xEF\xBB\xBF[S]\nA=1\n", 13) << three << QByteArray();
        QTest::newRow("NUL in a value")
            << none << Entries{{"A", QString(QChar(0)) + "x"}, {"B", "1"}, {"A", "2"}} << QByteArray();
        QTest::newRow("key that reads as a section")
            << none << Entries{{"[X]", "1"}, {"A", "2"}, {"B", "3"}} << QByteArray();
        QTest::newRow("key that reads as a comment") << none << Entries{{";A", "1"}, {";A", "2"}} << QByteArray();
        QTest::newRow("key with =") << none << Entries{{"A=B", "1"}, {"A", "2"}, {"A=B", "3"}} << QByteArray();
        QTest::newRow("key with blanks") << QByteArray("[S]\nA=1\n") << Entries{{" A", "2"}, {"A ", "3"}} << QByteArray();
        const QString big(600 * 1024, u'x');
        QTest::newRow("too large, then smaller")
            << none << Entries{{"A", big}, {"B", big}, {"C", "1"}, {"A", "1"}, {"B", big}, {"D", "2"}} << QByteArray();
        QTest::newRow("too large, nothing fits") << none << Entries{{"A", big + big}, {"B", big + big}} << QByteArray();
        QTest::newRow("too large, the section line does not fit")
            << QByteArray("[T]\nA=") + QByteArray(1024 * 1024 - 14, 'x') + "\n" << Entries{{"A", "123"}, {"A", ""}}
            << QByteArray();
        // A byte more than a settings file may have, counted in the file's encoding.
        const auto upTo = [](int bytes) { return "[S]\nA=" + QByteArray(bytes - 7, 'x') + "\n"; };
        QTest::newRow("UTF-8 mark, a byte too many")
            << "\xEF\xBB\xBF" + upTo(1024 * 1024 - 6) << Entries{{"B", "1"}, {"C", ""}} << QByteArray();
        QTest::newRow("UTF-8, a byte too many")
            << upTo(1024 * 1024 - 4) << Entries{{"B", "\u00E9"}, {"C", ""}} << QByteArray();
        QString utf16("[S]\nA=" + QString(512 * 1024 - 10, u'x') + "\n");
        QTest::newRow("UTF-16, two bytes too many")
            << "\xFF\xFE" + QByteArray(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2)
            << Entries{{"B", "1"}, {"C", ""}} << QByteArray();
        QTest::newRow("unreadable") << QByteArray("FIFO") << three << QByteArray();
        QTest::newRow("folder cannot be made") << QByteArray("UNDER A FILE") << three << QByteArray();
        QTest::newRow("disk full") << QByteArray("[S]\nA=0\n") << three << QByteArray("[S]");
        QTest::newRow("disk full for the last entry")
            << QByteArray("[S]\nA=0\n") << Entries{{"A", "1"}, {"B", "2"}, {"FULL", "3"}} << QByteArray("FULL=");
    }
    void setEachWritesAsOneByOne()
    {
        QFETCH(QByteArray, file);
        QFETCH(Entries, entries);
        QFETCH(QByteArray, fullFor);
        QList<std::pair<QString, QString>> pairs;
        for (const QStringList &e : entries)
            pairs.append({e.at(0), e.at(1)});
        const QString section = QStringLiteral("S");
        const auto run = [&](bool oneByOne) {
            QTemporaryDir dir;
            QString path = dir.filePath(QStringLiteral("t.ini"));
            if (file == "UNDER A FILE") {
                QFile blocker(path);
                QVERIFY(blocker.open(QIODevice::WriteOnly));
                path += QStringLiteral("/t.ini");
            } else if (file == "FIFO") {
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            } else if (!file.isNull()) {
                QFile f(path);
                QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
            }
            FullForSome disk(fullFor);
            const gavelry::safefile::ScopedIo scoped(disk);
            Written w;
            if (oneByOne) {
                for (const auto &[key, value] : pairs) {
                    ProfileIni ini(path);
                    ini.set(section, key, value);
                    w.errors.append(ini.save() ? QString() : ini.error());
                }
            } else {
                w.errors = ProfileIni::setEach(path, section, pairs);
            }
            for (QString &e : w.errors)
                e.replace(dir.path(), QStringLiteral("<dir>"));
            if (file != "FIFO" && file != "UNDER A FILE") {
                w.file = QFile::exists(path) ? read(path) : QByteArray("<none>");
                w.backup = QFile::exists(path + ".bak") ? read(path + ".bak") : QByteArray("<none>");
            }
            (oneByOne ? m_oneByOne : m_atOnce) = w;
        };
        run(true);
        run(false);
        if (fullFor == "FULL=")
            m_atOnce.backup = m_oneByOne.backup;
        QCOMPARE(m_atOnce, m_oneByOne);
    }

    void unwritableFolderReportsPath()
    {
        const QString blocker = write("not a folder");
        ProfileIni ini(blocker + QStringLiteral("/sub/x.ini"));
        ini.set(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
        QVERIFY(!ini.save());
        QVERIFY2(ini.error().contains(blocker), qPrintable(ini.error()));
    }
};

QTEST_GUILESS_MAIN(TestProfileIni)
#include "test_profileini.moc"
