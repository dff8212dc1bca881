#include "core/Controls.h"
#include "core/StationTracking.h"
#include "TestRig.h"

#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

QString text(QWidget *w) { return controls::caption(w); }

} // namespace

class TestStationTracking : public QObject {
    Q_OBJECT
private slots:
    void talkerBoxes_data()
    {
        QTest::addColumn<QStringList>("stationTexts");
        QTest::addColumn<QString>("talker");
        QTest::addColumn<QString>("lastTalker");
        QTest::newRow("before any station text")
            << QStringList{} << "" << "The Last Station to Talk Shown Here";
        QTest::newRow("talk ends, last talker stays")
            << QStringList{"text ->N0CALL-R more", "*HARBOUR* 3 stations"} << " " << "N0CALL-R";
        QTest::newRow("next talker") << QStringList{"->N0CALL-R x", "->K1ABC-L y"} << "K1ABC-L" << "K1ABC-L";
    }
    void talkerBoxes()
    {
        QFETCH(QStringList, stationTexts);
        QFETCH(QString, talker);
        QFETCH(QString, lastTalker);
        TestRig rig;
        rig.client.linkUp("*HARBOUR*");
        rig.start();
        Form6 &f = rig.form6();
        for (const QString &t : stationTexts)
            rig.client.raiseStationText(t);
        QCOMPARE(text(ui(f).Text1), talker);
        QCOMPARE(text(ui(f).Text37), lastTalker);
        if (!stationTexts.isEmpty())
            QCOMPARE(text(ui(f).Text35).remove('\r').remove('\n'), stationTexts.last());
    }

    void longStationTextsAreShownCut()
    {
        TestRig rig(QDateTime(QDate(2026, 1, 5), QTime(14, 5, 0)));
        rig.client.linkUp("*HARBOUR*");
        rig.start();
        Form6 &f = rig.form6();
        // The talker is read from the whole text, however long; the box
        // shows its start.
        const QString filler(100000, u'x');
        rig.client.raiseStationText("*HARBOUR*\r" + filler + "\r->N0CALL-R Lakeside");
        QCOMPARE(text(ui(f).Text1), QStringLiteral("N0CALL-R"));
        const QString shown = text(ui(f).Text35);
        QVERIFY(shown.size() <= controls::kLongestText);
        QVERIFY(shown.startsWith("*HARBOUR*"));
        QVERIFY(shown.endsWith(QChar(0x2026)));

        // The awaited station list, likewise.
        f.nListWait = 3;
        rig.client.raiseChat("*HARBOUR*>" + filler);
        const QString list = text(ui(f).Text2);
        QVERIFY(list.startsWith("Updated 14:05:00"));
        QVERIFY(list.size() < controls::kLongestText + 30);
        QVERIFY(list.contains(QChar(0x2026)));
        QCOMPARE(f.nListWait, 0);
    }

    void clockShowsTheTimeOfDay()
    {
        TestRig rig(QDateTime(QDate(2026, 1, 5), QTime(23, 59, 58)));
        rig.start();
        rig.advance(1000);
        QCOMPARE(ui(rig.form6()).ShowTime->text(), QStringLiteral("23:59:59"));
        rig.advance(1000);
        QCOMPARE(ui(rig.form6()).ShowTime2->text(), QStringLiteral("00:00:00"));
    }

    void resetListingRelinksTheSelectedConference()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE", "*harbour*");
        rig.client.linkUp("N0CALL-R");
        rig.start();
        Form6 &f = rig.form6();
        rig.client.raiseStationText("station info");
        rig.client.clearRecords();
        f.ResetListing();
        QCOMPARE(text(ui(f).Text35), QString());
        QCOMPARE(rig.operations(), (QStringList{"disconnect-all", "connect-station *HARBOUR*"}));
    }

    void resetListingGoesOnPastAFailure()
    {
        TestRig rig;
        rig.ini("vorivuzav.ini", "CONFERENCE", "*HARBOUR*");
        rig.start();
        Form6 &f = rig.form6();
        rig.client.raiseStationText("station info");
        rig.client.setFailing(true);
        f.ResetListing();
        QCOMPARE(text(ui(f).Text35), QString());
        QVERIFY(ui(f).StatusLine->text().contains("did not answer"));
        QCOMPARE(rig.endings, 0);
    }

    void delayedUserList()
    {
        TestRig rig;
        rig.client.linkUp("*HARBOUR*");
        rig.start();
        Form6 &f = rig.form6();
        rig.advance(5000);
        QVERIFY(rig.sent().isEmpty()); // off until a listing refresh
        f.Timer7->setEnabled(true);
        rig.advance(999);
        QVERIFY(rig.sent().isEmpty());
        rig.advance(1);
        QCOMPARE(rig.sent(), QStringList{".users"});
        QCOMPARE(f.nListWait, 3);
        QCOMPARE(ui(f).Frame5->title(), QStringLiteral("LOADING"));
        QVERIFY(!f.Timer7->isEnabled());
        rig.advance(5000);
        QCOMPARE(rig.sent(), QStringList{".users"});
    }

    void delayedUserListIsNotRetried()
    {
        TestRig rig;
        rig.start();
        Form6 &f = rig.form6();
        rig.client.setFailing(true);
        f.Timer7->setEnabled(true);
        rig.advance(3000);
        QVERIFY(!f.Timer7->isEnabled());
        QCOMPARE(rig.client.sentLines(), QStringList{});
        QCOMPARE(rig.endings, 0);
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestStationTracking)
#include "test_station_tracking.moc"
