// echolink.ini: the EchoLink station's own settings file.
#include "platform/echolink/EchoLinkSettings.h"
#include "platform/ProfileIni.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>

using namespace gavelry;

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

/// Every open for reading fails as for a file the user may not read (the
/// tests run as root, who may read a file of mode 0000).
class NoReadPermission : public safefile::Io {
public:
    int open(const char *path, int flags, mode_t mode) override
    {
        if ((flags & O_ACCMODE) == O_RDONLY) {
            errno = EACCES;
            return -1;
        }
        return Io::open(path, flags, mode);
    }
};

/// The kind of node at path, its size and its inode.
QByteArray describe(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return "missing";
    return QByteArray::number(st.st_mode, 8) + ' ' + QByteArray::number(qint64(st.st_size)) + ' '
        + QByteArray::number(qulonglong(st.st_ino));
}

} // namespace

class TestEchoLinkSettings : public QObject {
    Q_OBJECT

private slots:
    // A first start writes a template with every key for the sysop, owner
    // only, and stops with one message naming the file and the keys.
    void firstStartWritesTemplate()
    {
        QTemporaryDir dir;
        EchoLinkSettings s;
        QString error;
        QVERIFY(!loadEchoLinkSettings(dir.path() + "/sub", s, error));
        const QString path = dir.path() + "/sub/echolink.ini";
        QVERIFY(QFileInfo::exists(path));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u); // it will hold the directory password
        QVERIFY2(error.contains(path), qPrintable(error));
        QVERIFY(error.contains("CALLSIGN") && error.contains("PASSWORD") && error.contains("[STATION]"));
        QVERIFY(error.contains("template"));

        ProfileIni ini(path);
        for (const char *key : {"CALLSIGN", "PASSWORD", "NAME", "LOCATION", "DIRECTORY", "BIND_ADDRESS", "PROXY",
                                "PROXY_PASSWORD", "GSM_ONLY"})
            QVERIFY2(ini.find("STATION", key).has_value(), key);
        QCOMPARE(ini.get("STATION", "CALLSIGN"), QString());
        QCOMPARE(ini.get("STATION", "DIRECTORY"), QString("servers.echolink.org"));
        QCOMPARE(ini.get("STATION", "GSM_ONLY"), QString("1"));

        // The second start leaves the file as it is and says the same,
        // without claiming to have written a template.
        writeFile(path, "[STATION]\r\nPASSWORD=kept\r\n");
        QVERIFY(!loadEchoLinkSettings(dir.path() + "/sub", s, error));
        QVERIFY(error.contains("CALLSIGN") && !error.contains("template"));
        QCOMPARE(ProfileIni(path).get("STATION", "PASSWORD"), QString("kept"));
    }

    // A file as written by hand or on Windows: any case, CRLF, blanks
    // around "=", quoted values, keys left out (their defaults).
    void values_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QStringList>("directory");
        QTest::addColumn<QString>("bind");
        QTest::addColumn<QString>("proxyHost");
        QTest::addColumn<int>("proxyPort");
        QTest::addColumn<bool>("gsmOnly");
        QTest::newRow("minimal") << QByteArray("[STATION]\nCALLSIGN=g4abc-l\n") << "G4ABC-L" << "" << ""
                                 << QStringList{"servers.echolink.org"} << "" << "" << 0 << true;
        QTest::newRow("windows quirks")
            << QByteArray("; comment\r\n[station]\r\ncallsign = n0call \r\nPassword=\"Secret Pw \"\r\n"
                          "Location = 'Harbour, UK'\r\n[OTHER]\r\nCALLSIGN=WRONG\r\n")
            << "N0CALL" << "Secret Pw " << "Harbour, UK" << QStringList{"servers.echolink.org"} << "" << "" << 0
            << true;
        QTest::newRow("everything") << QByteArray("[STATION]\nCALLSIGN=N0CALL\nPASSWORD=pw\nNAME=Ann\n"
                                                  "DIRECTORY= 127.0.0.3 ,, backup.example.org\n"
                                                  "BIND_ADDRESS=127.0.0.1\nPROXY=proxy.example.org:8100\n"
                                                  "PROXY_PASSWORD=x\nGSM_ONLY=0\n")
                                    << "N0CALL" << "pw" << "" << QStringList{"127.0.0.3", "backup.example.org"}
                                    << "127.0.0.1" << "proxy.example.org" << 8100 << false;
        QTest::newRow("empty keys take defaults")
            << QByteArray("[STATION]\nCALLSIGN=N0CALL\nDIRECTORY=\nGSM_ONLY=\n") << "N0CALL" << "" << ""
            << QStringList{"servers.echolink.org"} << "" << "" << 0 << true;
        QTest::newRow("GSM_ONLY as check box text") << QByteArray("[STATION]\nCALLSIGN=N0CALL\nGSM_ONLY=False\n")
                                                    << "N0CALL" << "" << "" << QStringList{"servers.echolink.org"}
                                                    << "" << "" << 0 << false;
        QStringList most;
        for (int i = 0; i < EchoLinkSettings::kMostDirectoryServers; ++i)
            most << QStringLiteral("dir%1.example.org").arg(i);
        QTest::newRow("as many directory servers as may be")
            << ("[STATION]\nCALLSIGN=N0CALL\nDIRECTORY=" + most.join(u',').toLatin1() + "\n") << "N0CALL" << ""
            << "" << most << "" << "" << 0 << true;
    }
    void values()
    {
        QFETCH(QByteArray, file);
        QTemporaryDir dir;
        writeFile(dir.filePath("echolink.ini"), file);
        EchoLinkSettings s;
        QString error;
        QVERIFY2(loadEchoLinkSettings(dir.path(), s, error), qPrintable(error));
        QTEST(s.callsign, "callsign");
        QTEST(s.password, "password");
        QTEST(s.location, "location");
        QTEST(s.directory, "directory");
        QTEST(s.bindAddress, "bind");
        QTEST(s.proxyHost, "proxyHost");
        QTEST(int(s.proxyPort), "proxyPort");
        QTEST(s.gsmOnly, "gsmOnly");
    }

    // A value that cannot be used stops the start with a message naming the
    // key and the file, never a guess.
    void badValues_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::newRow("callsign with blank") << QByteArray("CALLSIGN=N0 CALL") << "CALLSIGN";
        QTest::newRow("callsign too long") << QByteArray("CALLSIGN=ABCDEFGHIJKLMNOPQ") << "CALLSIGN";
        QTest::newRow("bind to a name") << QByteArray("BIND_ADDRESS=localhost") << "BIND_ADDRESS";
        QTest::newRow("bind to any") << QByteArray("BIND_ADDRESS=0.0.0.0") << "BIND_ADDRESS";
        QTest::newRow("proxy without port") << QByteArray("PROXY=proxy.example.org") << "PROXY";
        QTest::newRow("proxy port 0") << QByteArray("PROXY=proxy.example.org:0") << "PROXY";
        QTest::newRow("proxy port too big") << QByteArray("PROXY=proxy.example.org:70000") << "PROXY";
        QTest::newRow("proxy without host") << QByteArray("PROXY=:8100") << "PROXY";
        QTest::newRow("directory with blank") << QByteArray("DIRECTORY=a.example.org b.example.org") << "DIRECTORY";
        QTest::newRow("GSM_ONLY 2") << QByteArray("GSM_ONLY=2") << "GSM_ONLY";
        QStringList many;
        for (int i = 0; i <= EchoLinkSettings::kMostDirectoryServers; ++i)
            many << QStringLiteral("10.0.%1.%2").arg(i / 250).arg(i % 250 + 1);
        QTest::newRow("one directory server too many") << ("DIRECTORY=" + many.join(u',').toLatin1()) << "DIRECTORY";
    }
    void badValues()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QTemporaryDir dir;
        QByteArray file = "[STATION]\n" + line + "\n";
        if (!line.startsWith("CALLSIGN"))
            file += "CALLSIGN=N0CALL\n";
        writeFile(dir.filePath("echolink.ini"), file);
        EchoLinkSettings s;
        QString error;
        QVERIFY(!loadEchoLinkSettings(dir.path(), s, error));
        QVERIFY2(error.startsWith(key + " in section [STATION] of " + dir.filePath("echolink.ini")), qPrintable(error));
    }

    // A settings file that is there but cannot be read stops the start
    // with why, never as a missing callsign; it is neither waited on nor
    // written over.
    void unreadableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        QTest::newRow("FIFO") << "fifo" << "is a FIFO, not a regular file";
        QTest::newRow("link to a FIFO") << "link to fifo" << "is a FIFO, not a regular file";
        QTest::newRow("folder") << "folder" << "is a folder, not a regular file";
        QTest::newRow("over 1 MB") << "large"
                                   << QStringLiteral("is larger than the %1 bytes a settings file may have (%2 bytes)")
                                          .arg(safefile::kLargest)
                                          .arg(safefile::kLargest + 1);
        QTest::newRow("no permission") << "no permission" << "cannot be read (Permission denied)";
    }
    void unreadableFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString path = dir.filePath("echolink.ini");
        const QString fifo = kind == "link to fifo" ? dir.filePath("fifo") : path;
        if (kind.contains("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        if (kind == "link to fifo")
            QVERIFY(QFile::link(fifo, path));
        if (kind == "folder")
            QVERIFY(QDir().mkdir(path));
        const QByteArray good = "[STATION]\nCALLSIGN=N0CALL\n";
        if (kind == "large")
            writeFile(path, good + QByteArray(safefile::kLargest + 1 - good.size(), ';'));
        if (kind == "no permission")
            writeFile(path, good);
        const QByteArray before = describe(path) + describe(fifo);

        NoReadPermission noRead;
        std::optional<safefile::ScopedIo> refuse;
        if (kind == "no permission")
            refuse.emplace(noRead);
        EchoLinkSettings s;
        QString error;
        QVERIFY(!loadEchoLinkSettings(dir.path(), s, error));
        refuse.reset();

        QVERIFY2(error.contains(path + " " + why), qPrintable(error));
        QVERIFY2(!error.contains("no callsign") && !error.contains("template was written"), qPrintable(error));
        QCOMPARE(describe(path) + describe(fifo), before);
    }
};

QTEST_GUILESS_MAIN(TestEchoLinkSettings)
#include "test_echolink_settings.moc"
