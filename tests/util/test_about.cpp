// The About window: caption and title label name product, station and
// version alike; "Hide" hides it.

#include "util/Form14.h"
#include "TestRig.h"
#include "Version.h"

#include <QTest>
#include "TestUi.h"

using namespace gavelry;
using gavelry::test::TestRig;
using gavelry::test::ui;

namespace {

/// The version, as captions and probe answers show it.
const QString kVersion = QString::fromLatin1(kVersionText);

} // namespace

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void captionAndLabelAgree_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("caption");
        QTest::newRow("repeater") << "N0CALL-R" << "Gavelry    N0CALL-R   v" + kVersion;
        QTest::newRow("link") << "G4ABC-L" << "Gavelry    G4ABC-L   v" + kVersion;
        QTest::newRow("conference") << "*HARBOUR*" << "Gavelry    *HARBOUR*   v" + kVersion;
    }
    void captionAndLabelAgree()
    {
        QFETCH(QString, local);
        QFETCH(QString, caption);
        TestRig rig(QDateTime(QDate(2026, 1, 5), QTime(12, 0, 0)), local);
        rig.start();
        Form14 &f = rig.program->form14();
        QCOMPARE(f.windowTitle(), caption);
        QCOMPARE(ui(f).Label6->text(), caption);
    }

    void aboutButtonShowsAndHideHides()
    {
        TestRig rig;
        rig.start();
        Form14 &f = rig.program->form14();
        QVERIFY(f.isHidden());
        ui(rig.form6()).Command4->click();
        QVERIFY(f.isVisible());
        ui(f).Command1->click();
        QVERIFY(f.isHidden());
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestAbout)
#include "test_about.moc"
