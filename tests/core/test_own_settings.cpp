// gavelry.ini: the trusted stations and each profile's notice form, read
// from a file written by hand; a value that cannot be read is told and
// takes the safe side.
#include "core/OwnSettings.h"
#include "platform/ProfileIni.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace gavelry;

class TestOwnSettings : public QObject {
    Q_OBJECT
private slots:
    void reads_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<QString>("sentByProfile2"); // for ".quote (12:00) ** X ** text"
        QTest::addColumn<bool>("problem");
        const QString quoted = QStringLiteral(".quote (12:00) ** X ** text");
        const QString plain = QStringLiteral("(12:00) ** X ** text");
        QTest::newRow("nothing set") << "NOTE" << "x" << "K2XYZ" << true << quoted << false;
        QTest::newRow("stations by comma and blank")
            << "TRUSTED_STATIONS" << "w1abc,  k2xyz *HARBOUR*" << "K2XYZ" << true << quoted << false;
        QTest::newRow("a station not listed") << "TRUSTED_STATIONS" << "W1ABC" << "K2XYZ" << false << quoted << false;
        QTest::newRow("not a callsign: nobody") << "TRUSTED_STATIONS" << "W1ABC <K2XYZ>" << "W1ABC" << false << quoted
                                                << true;
        QTest::newRow("plain notices") << "NOTICES2" << "Plain" << "K2XYZ" << true << plain << false;
        QTest::newRow("another profile's") << "NOTICES1" << "plain" << "K2XYZ" << true << quoted << false;
        QTest::newRow("unknown form: quoted") << "NOTICES2" << "loud" << "K2XYZ" << true << quoted << true;
    }
    void reads()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, sender);
        QFETCH(bool, trusted);
        QFETCH(QString, sentByProfile2);
        QFETCH(bool, problem);
        QTemporaryDir dir;
        ProfileIni ini(QDir(dir.path()).filePath(OwnSettings::kFileName));
        ini.set(QStringLiteral("SETTINGS"), key, value);
        QVERIFY(ini.save());
        QStringList problems;
        const OwnSettings s = OwnSettings::load(dir.path(), &problems);
        QCOMPARE(s.trusts(sender), trusted);
        QCOMPARE(s.outgoing(QStringLiteral(".quote (12:00) ** X ** text"), 1), sentByProfile2);
        QCOMPARE(s.outgoing(QStringLiteral(".mute X"), 1), QStringLiteral(".mute X"));
        QCOMPARE(problems.size(), problem ? 1 : 0);
        if (problem)
            QVERIFY2(problems.first().contains(key), qPrintable(problems.first()));
    }
};

QTEST_GUILESS_MAIN(TestOwnSettings)
#include "test_own_settings.moc"
