#include "ProfileIni.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using gavelry::ProfileIni;

class TestProfileIni : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
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
