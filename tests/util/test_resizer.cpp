// The proportional resizer on a plain window: what is scaled, by how much,
// and what is left alone.

#include "util/clsResize.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace gavelry;

namespace {

/// A window of 600 x 450 pixels (9000 x 6750 twips) with a named box on it,
/// a named frame holding a named button, and a non-widget child.
struct Form {
    QWidget window;
    QLineEdit *box;
    QWidget *frame;
    QLabel *inFrame;
    Form()
    {
        window.resize(600, 450);
        box = new QLineEdit(&window);
        box->setObjectName(QStringLiteral("Text1"));
        box->setGeometry(30, 40, 200, 24);
        frame = new QWidget(&window);
        frame->setObjectName(QStringLiteral("Frame1"));
        frame->setGeometry(300, 100, 240, 300);
        inFrame = new QLabel(frame);
        inFrame->setObjectName(QStringLiteral("Label1"));
        inFrame->setGeometry(10, 20, 100, 50);
        new QTimer(&window); // no geometry: passed over
    }
};

} // namespace

class TestResizer : public QObject {
    Q_OBJECT
private slots:
    void scalesEachAxisByItsOwnFactor_data()
    {
        QTest::addColumn<QSize>("to");
        QTest::addColumn<QRect>("box");
        QTest::addColumn<QRect>("inFrame");
        QTest::newRow("width doubled: lefts and widths double, tops and heights stay")
            << QSize(1200, 450) << QRect(60, 40, 400, 24) << QRect(20, 20, 200, 50);
        QTest::newRow("height doubled: tops and heights double")
            << QSize(600, 900) << QRect(30, 80, 200, 48) << QRect(10, 40, 100, 100);
        QTest::newRow("both halved") << QSize(300, 225) << QRect(15, 20, 100, 12) << QRect(5, 10, 50, 25);
        QTest::newRow("same size: nothing moves") << QSize(600, 450) << QRect(30, 40, 200, 24) << QRect(10, 20, 100, 50);
    }
    void scalesEachAxisByItsOwnFactor()
    {
        QFETCH(QSize, to);
        QFETCH(QRect, box);
        QFETCH(QRect, inFrame);
        Form f;
        clsResize r;
        r.FormInitialize(&f.window);
        QCOMPARE(r.recordedWidth(), 9000);
        QCOMPARE(r.recordedHeight(), 6750);
        f.window.resize(to);
        QVERIFY(r.FormResize());
        QCOMPARE(f.box->geometry(), box);
        // A control inside a frame scales within the frame, which scales too.
        QCOMPARE(f.inFrame->geometry(), inFrame);
        QCOMPARE(r.recordedWidth(), to.width() * 15);
        QCOMPARE(r.recordedHeight(), to.height() * 15);
    }

    // Sizes that do not divide evenly round each time; the resizer keeps the
    // exact values, so many steps there and back end where they began.
    void backAndForthReturnsToTheStart()
    {
        Form f;
        clsResize r;
        r.FormInitialize(&f.window);
        const QList<QSize> sizes{{613, 457}, {977, 301}, {401, 733}, {599, 449}, {1111, 517}};
        for (int round = 0; round < 20; ++round) {
            for (const QSize &s : sizes) {
                f.window.resize(s);
                QVERIFY(r.FormResize());
            }
        }
        f.window.resize(600, 450);
        QVERIFY(r.FormResize());
        QCOMPARE(f.box->geometry(), QRect(30, 40, 200, 24));
        QCOMPARE(f.frame->geometry(), QRect(300, 100, 240, 300));
        QCOMPARE(f.inFrame->geometry(), QRect(10, 20, 100, 50));
    }

    void zeroRecordedSizeChangesNothing_data()
    {
        QTest::addColumn<QSize>("start");
        QTest::newRow("no width") << QSize(0, 450);
        QTest::newRow("no height") << QSize(600, 0);
    }
    void zeroRecordedSizeChangesNothing()
    {
        QFETCH(QSize, start);
        Form f;
        f.window.setMinimumSize(0, 0);
        f.window.resize(start);
        clsResize r;
        r.FormInitialize(&f.window);
        f.window.resize(1200, 900);
        QVERIFY(!r.FormResize());
        QCOMPARE(f.box->geometry(), QRect(30, 40, 200, 24));
        QCOMPARE(r.recordedWidth(), start.width() * 15);
        QCOMPARE(r.recordedHeight(), start.height() * 15);
    }

    void withoutAWindowNothingHappens()
    {
        clsResize r;
        QVERIFY(!r.FormResize());
        auto *window = new QWidget;
        window->resize(100, 100);
        r.FormInitialize(window);
        delete window;
        QVERIFY(!r.FormResize());
    }

    // Widgets a layout places, and the unnamed parts of compound widgets,
    // are not the resizer's to size.
    void leavesLayoutsAndInnerPartsAlone()
    {
        Form f;
        auto *host = new QWidget(&f.window);
        host->setObjectName(QStringLiteral("Host"));
        host->setGeometry(0, 0, 300, 100);
        auto *layout = new QHBoxLayout(host);
        auto *placed = new QLabel(QStringLiteral("placed"), host);
        placed->setObjectName(QStringLiteral("Placed"));
        layout->addWidget(placed);
        auto *inner = new QWidget(f.box); // an unnamed inner part
        inner->setGeometry(1, 2, 3, 4);
        clsResize r;
        r.FormInitialize(&f.window);
        const QRect placedBefore = placed->geometry();
        f.window.resize(1200, 450);
        QVERIFY(r.FormResize());
        QCOMPARE(host->geometry(), QRect(0, 0, 600, 100));
        QCOMPARE(placed->geometry(), placedBefore); // until its layout runs
        QCOMPARE(inner->geometry(), QRect(1, 2, 3, 4));
    }

    // A control that other code moved between two resizes is scaled from
    // where it is now, not from where the resizer last put it.
    void controlMovedMeanwhileScalesFromItsNewPlace()
    {
        Form f;
        clsResize r;
        r.FormInitialize(&f.window);
        f.window.resize(1200, 450);
        QVERIFY(r.FormResize());
        f.box->setGeometry(100, 10, 50, 20);
        f.window.resize(600, 450);
        QVERIFY(r.FormResize());
        QCOMPARE(f.box->geometry(), QRect(50, 10, 25, 20));
    }
};

QTEST_MAIN(TestResizer)
#include "test_resizer.moc"
