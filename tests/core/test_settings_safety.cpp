// The windows' settings files when the disk or the file is against them: a
// full disk, a file that cannot be read, a backup to fall back to, values
// longer than a line edit holds by default.

#include "chat/Form116.h"
#include "enforcement/Form321.h"
#include "util/Form99.h"
#include "core/Controls.h"
#include "chat/Messages.h"
#include "platform/SafeFile.h"
#include "TestRig.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

/// Real calls, except: writes fail as on a full disk (full), and opening a
/// file whose name ends in refusedName for reading fails with EACCES.
class HostileIo : public safefile::Io {
public:
    bool full = false;
    QByteArray refusedName;

    int open(const char *path, int flags, mode_t mode) override
    {
        if (!refusedName.isEmpty() && (flags & O_ACCMODE) == O_RDONLY && QByteArray(path).endsWith(refusedName)) {
            errno = EACCES;
            return -1;
        }
        return Io::open(path, flags, mode);
    }
    ssize_t write(int fd, const void *data, size_t size) override
    {
        if (full) {
            errno = ENOSPC;
            return -1;
        }
        return Io::write(fd, data, size);
    }
};

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QWidget *windowOf(TestRig &rig, const QString &file)
{
    Program &p = *rig.program;
    if (file == "vorivuzav.ini")
        return &p.form6();
    if (file == "textmessage.ini")
        return &p.form116();
    if (file == "messagebox.ini")
        return &p.messages();
    if (file == "zurazod2.ini")
        return &p.form99();
    return &p.form321();
}

/// Each window's file, a text key of it, its box and its save button.
void addWindowRows()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("saveButton");
    QTest::newRow("main window") << "vorivuzav.ini" << "TEXT3" << "Text3" << "Command12";
    QTest::newRow("text box messages") << "textmessage.ini" << "TEXT1" << "Text1" << "Command12";
    QTest::newRow("chat window") << "messagebox.ini" << "FILTERTEXT1" << "FilterText1" << "SaveIt";
    QTest::newRow("web links") << "zurazod2.ini" << "TEXT2" << "Text2" << "Command4";
    QTest::newRow("timed ban") << "ban.ini" << "TEXT1" << "Text1" << "Command5";
}

} // namespace

class TestSettingsSafety : public QObject {
    Q_OBJECT

private slots:
    void fullDiskKeepsTheFileAndSaysSo_data() { addWindowRows(); }
    void fullDiskKeepsTheFileAndSaysSo()
    {
        QFETCH(QString, file);
        QFETCH(QString, key);
        QFETCH(QString, box);
        QFETCH(QString, saveButton);
        TestRig rig;
        rig.ini(file, key, "before");
        const QString path = QDir(rig.configDir()).filePath(file);
        const QByteArray before = fileBytes(path);
        rig.start();
        QWidget *window = windowOf(rig, file);
        window->findChild<QLineEdit *>(box)->setText("after");
        const qsizetype shown = rig.dialogs.shown().size();
        HostileIo io;
        io.full = true;
        {
            safefile::ScopedIo scoped(io);
            window->findChild<QPushButton *>(saveButton)->click();
        }
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(rig.dialogs.shown().size(), shown + 1);
        const QString said = rig.dialogs.shown().last().text;
        QVERIFY2(said.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))), qPrintable(said));
        QVERIFY2(said.contains("keeps its previous settings"), qPrintable(said));
    }

    void unreadableFileLoadsDefaultsAndIsNotWrittenOver()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "TEXT3", "MINE");
        rig.ini("vorivuzav.ini", "CHECK1", "0");
        const QString path = QDir(rig.configDir()).filePath("vorivuzav.ini");
        QVERIFY(QFile::remove(path + ".bak")); // nothing to fall back to
        const QByteArray before = fileBytes(path);
        HostileIo io;
        io.refusedName = "/vorivuzav.ini";
        safefile::ScopedIo scoped(io);
        rig.start();
        Form6 &f = rig.form6();
        QCOMPARE(ui(f).Text3->text(), QString("CCC"));
        QCOMPARE(controls::checkValue(ui(f).Check1), 1);
        const QString status = ui(f).StatusLine->text();
        QVERIFY2(status.contains("vorivuzav.ini cannot be read (" + QString::fromLocal8Bit(std::strerror(EACCES))
                                 + "); the defaults are used, and saving will not write over it"),
                 qPrintable(status));
        ui(f).Command12->click();
        QCOMPARE(fileBytes(path), before);
        const QString said = rig.dialogs.shown().last().text;
        QVERIFY2(said.contains("so it is not written over"), qPrintable(said));
    }

    void unreadableFileFallsBackToItsBackup()
    {
        TestRig rig;
        rig.ini("textmessage.ini", "TEXT1", "first");
        rig.ini("textmessage.ini", "TEXT1", "second"); // the backup holds "first"
        const QString path = QDir(rig.configDir()).filePath("textmessage.ini");
        const QByteArray before = fileBytes(path);
        HostileIo io;
        io.refusedName = "/textmessage.ini";
        safefile::ScopedIo scoped(io);
        rig.start();
        QCOMPARE(ui(rig.program->form116()).Text1->text(), QString("first"));
        const QString status = ui(rig.form6()).StatusLine->text();
        QVERIFY2(status.contains("its backup textmessage.ini.bak was loaded instead"), qPrintable(status));
        ui(rig.program->form116()).Command12->click();
        QCOMPARE(fileBytes(path), before);
    }

    void fifoInPlaceOfTheFileNeverBlocksTheStart()
    {
        TestRig rig;
        const QString path = QDir(rig.configDir()).filePath("vorivuzav.ini");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        rig.start(); // no writer will ever come: a read would wait for ever
        const QString status = ui(rig.form6()).StatusLine->text();
        QVERIFY2(status.contains("vorivuzav.ini is a FIFO, not a regular file"), qPrintable(status));
        ui(rig.form6()).Command12->click();
        QVERIFY(QFileInfo(path).exists() && !QFileInfo(path).isFile());
    }

    void backupThatCannotBeKeptIsReported()
    {
        TestRig rig;
        rig.ini("ban.ini", "TEXT1", "N0CALL");
        QVERIFY(QDir(rig.configDir()).mkdir("ban.ini.bak")); // in the backup's way
        rig.start();
        ui(rig.program->form321()).Text1->setText("K2ABC");
        ui(rig.program->form321()).Command5->click();
        QCOMPARE(rig.iniValue("ban.ini", "TEXT1"), QString("K2ABC"));
        const QString status = ui(rig.form6()).StatusLine->text();
        QVERIFY2(status.contains("ban.ini was saved, but its previous version could not be kept as ban.ini.bak"),
                 qPrintable(status));
    }

    void longValuesSurviveLoadAndSave_data() { addWindowRows(); }
    void longValuesSurviveLoadAndSave()
    {
        QFETCH(QString, file);
        QFETCH(QString, key);
        QFETCH(QString, box);
        QFETCH(QString, saveButton);
        QString value;
        for (int i = 0; value.size() < 40000; ++i)
            value += QString::number(i) + u' ';
        value.chop(1);
        TestRig rig;
        rig.ini(file, key, value);
        rig.start();
        QWidget *window = windowOf(rig, file);
        QCOMPARE(window->findChild<QLineEdit *>(box)->text(), value);
        window->findChild<QPushButton *>(saveButton)->click();
        QCOMPARE(rig.iniValue(file, key), value);
    }

    void boxesWithTheirOwnMaximumKeepIt()
    {
        TestRig rig;
        rig.start();
        QCOMPARE(ui(rig.form6()).BeaconPeriod2->maxLength(), 3);
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestSettingsSafety)
#include "test_settings_safety.moc"
