#include "platform/EditStyle.h"
#include "scenario/ScenarioWidgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <QTextImageFormat>

using namespace gavelry::scenario;

namespace {

/// A widget that only counts the mouse clicks it gets.
class ClickTarget : public QWidget {
public:
    int presses = 0;
    int releases = 0;
    QPoint at;

protected:
    void mousePressEvent(QMouseEvent *e) override
    {
        ++presses;
        at = e->position().toPoint();
    }
    void mouseReleaseEvent(QMouseEvent *) override { ++releases; }
};

} // namespace

class TestScenarioWidgets : public QObject {
    Q_OBJECT

private slots:
    void showReadsTheVbProperty_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("value");
        QTest::newRow("text box default") << "edit" << "" << "N0CALL";
        QTest::newRow("check box default") << "check" << "" << "1";
        QTest::newRow("greyed check box") << "grey" << "Value" << "2";
        QTest::newRow("option button default") << "option" << "" << "True";
        QTest::newRow("label default") << "label" << "" << "IP TX OFF";
        QTest::newRow("frame caption") << "frame" << "Caption" << "Connected";
        QTest::newRow("button caption") << "button" << "" << "Show Extra";
        QTest::newRow("fore colour, red low byte") << "label" << "ForeColor" << "255";
        QTest::newRow("width in twips") << "label" << "Width" << "1500";
        QTest::newRow("left in twips") << "label" << "Left" << "300";
        QTest::newRow("own Visible under a hidden window") << "label" << "Visible" << "True";
        QTest::newRow("hidden control") << "hidden" << "Visible" << "False";
        QTest::newRow("own Enabled under a disabled frame") << "inframe" << "Enabled" << "True";
        QTest::newRow("disabled control") << "disabled" << "Enabled" << "False";
        QTest::newRow("tool tip") << "button" << "ToolTipText" << "Conference 1";
    }
    void showReadsTheVbProperty()
    {
        QFETCH(QString, kind);
        QFETCH(QString, property);
        QFETCH(QString, value);
        QWidget window; // never shown, like every window of a scenario run
        auto *edit = new QLineEdit(QStringLiteral("N0CALL"), &window);
        auto *check = new QCheckBox(&window);
        check->setChecked(true);
        auto *grey = new QCheckBox(&window);
        grey->setTristate(true);
        grey->setCheckState(Qt::PartiallyChecked);
        auto *option = new QRadioButton(&window);
        option->setChecked(true);
        auto *label = new QLabel(QStringLiteral("IP TX OFF"), &window);
        label->setGeometry(20, 40, 100, 20);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        label->setPalette(p);
        auto *frame = new QGroupBox(QStringLiteral("Connected"), &window);
        auto *inFrame = new QLabel(frame);
        frame->setEnabled(false);
        auto *button = new QPushButton(QStringLiteral("Show Extra"), &window);
        button->setToolTip(QStringLiteral("Conference 1"));
        auto *hidden = new QLabel(&window);
        hidden->hide();
        auto *disabled = new QLabel(&window);
        disabled->setEnabled(false);
        const QHash<QString, QWidget *> widgets{{"edit", edit},     {"check", check},   {"grey", grey},
                                                {"option", option}, {"label", label},   {"frame", frame},
                                                {"button", button}, {"hidden", hidden}, {"inframe", inFrame},
                                                {"disabled", disabled}};
        QWidget *w = widgets.value(kind);
        QString error;
        QVERIFY2(widgets::checkProperty(w, false, property, error), qPrintable(error));
        QCOMPARE(widgets::property(w, false, property), value);
    }

    void showRefusesPropertiesAControlLacks_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("property");
        QTest::newRow("Value of a button") << "button" << "Value";
        QTest::newRow("Text of a label") << "label" << "Text";
        QTest::newRow("Caption of a text box") << "edit" << "Caption";
    }
    void showRefusesPropertiesAControlLacks()
    {
        QFETCH(QString, kind);
        QFETCH(QString, property);
        QLineEdit edit;
        QLabel label;
        QPushButton button;
        QWidget *w = kind == QLatin1String("edit") ? static_cast<QWidget *>(&edit)
                   : kind == QLatin1String("label") ? static_cast<QWidget *>(&label)
                                                     : &button;
        QString error;
        QVERIFY(!widgets::checkProperty(w, false, property, error));
        QVERIFY(!error.isEmpty());
    }

    void chatDisplayShowsPicturesAsIconCodes()
    {
        QTextEdit display;
        QTextCursor c(display.document());
        c.insertText(QStringLiteral("W1ABC>: hi "));
        QTextImageFormat smile;
        smile.setName(QStringLiteral("icon:7"));
        c.insertImage(smile);
        c.insertImage(smile); // two in a row share one fragment
        c.insertText(QStringLiteral(" there"));
        c.insertBlock();
        QTextImageFormat other;
        other.setName(QStringLiteral("logo.png")); // not an emoticon: left as it is
        c.insertImage(other);
        QCOMPARE(widgets::property(&display, false, QString()),
                 QStringLiteral("W1ABC>: hi {icon 7}{icon 7} there\n") + QChar::ObjectReplacementCharacter);
    }

    void setTypesThroughTheEditStyle()
    {
        QLineEdit edit(QStringLiteral("old text"));
        gavelry::EditStyle::setUpperCase(&edit);
        QSignalSpy edited(&edit, &QLineEdit::textEdited);
        widgets::setText(&edit, QStringLiteral("*harbour*"));
        QCOMPARE(edit.text(), QStringLiteral("*HARBOUR*"));
        QCOMPARE(edited.size(), 1);
        widgets::setText(&edit, QString());
        QCOMPARE(edit.text(), QString());
        QCOMPARE(edited.size(), 2);
    }

    void typeKeepsTheLettersTheBoxHeld()
    {
        QLineEdit edit(QStringLiteral("Conference 1"));
        gavelry::EditStyle::setUpperCase(&edit);
        widgets::typeText(&edit, QStringLiteral("a\r"));
        QCOMPARE(edit.text(), QStringLiteral("Conference 1A"));
    }

    void typeSendsKeysAndEnter()
    {
        QLineEdit edit;
        QSignalSpy enter(&edit, &QLineEdit::returnPressed);
        widgets::typeText(&edit, QStringLiteral("Hi .mute W1ABC\r"));
        QCOMPARE(edit.text(), QStringLiteral("Hi .mute W1ABC"));
        QCOMPARE(enter.size(), 1);
    }

    void checkClicksOnlyWhenTheValueChanges()
    {
        QCheckBox box;
        QSignalSpy clicked(&box, &QCheckBox::clicked);
        widgets::check(&box, 1);
        widgets::check(&box, 1);
        QCOMPARE(box.checkState(), Qt::Checked);
        QCOMPARE(clicked.size(), 1);
        widgets::check(&box, 2);
        QCOMPARE(box.checkState(), Qt::PartiallyChecked);
        widgets::check(&box, 0);
        QCOMPARE(box.checkState(), Qt::Unchecked);
        box.click(); // once cleared, a click ticks it: greyed is not a click away
        QCOMPARE(box.checkState(), Qt::Checked);

        QWidget group;
        auto *a = new QRadioButton(&group);
        auto *b = new QRadioButton(&group);
        a->setChecked(true);
        QSignalSpy bClicked(b, &QRadioButton::clicked);
        widgets::check(b, 1);
        QVERIFY(b->isChecked() && !a->isChecked());
        QCOMPARE(bClicked.size(), 1);
    }

    void clickOnAPictureIsAMouseClickAtItsCentre()
    {
        ClickTarget target;
        target.resize(40, 20);
        widgets::click(&target);
        QCOMPARE(target.presses, 1);
        QCOMPARE(target.releases, 1);
        QCOMPARE(target.at, QPoint(20, 10));
    }

    void disabledButtonIgnoresTheClick()
    {
        QPushButton button;
        QSignalSpy clicked(&button, &QPushButton::clicked);
        button.setEnabled(false);
        widgets::click(&button);
        QCOMPARE(clicked.size(), 0);
    }
};

QTEST_MAIN(TestScenarioWidgets)
#include "test_scenario_widgets.moc"
