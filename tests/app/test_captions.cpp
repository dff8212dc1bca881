// Every caption reads whole: in each window, and in both forms of the main
// and the chat window, no label, check box, option button, button or frame
// title shows less than its text, in the font a fresh Debian 12 desktop (and
// the Xvfb run that makes the README's pictures) draws it with.

#include "chat/Form116.h"
#include "chat/Messages.h"
#include "core/ElidedLabel.h"
#include "core/Form6.h"
#include "enforcement/Form321.h"
#include "util/Form14.h"
#include "util/Form99.h"
#include "TestRig.h"

#include <QApplication>
#include <QFontInfo>
#include <QStyle>
#include <QStyleOption>
#include <QTest>

#include <algorithm>
#include "TestUi.h"

using namespace gavelry;
using namespace gavelry::test;

namespace {

/// "Sans Serif" 9 pt at 96 dpi is what Qt draws widgets with on a Debian 12
/// desktop, under Xvfb and offscreen alike, and fontconfig gives DejaVu Sans
/// for it there. The test names the family itself, so that another sans
/// serif installed beside it (Noto Sans is narrower) cannot make it pass.
const QString kDesktopFamily = QStringLiteral("DejaVu Sans");
constexpr int kDesktopPointSize = 9;

/// A moderation log entry longer than the main window's status line.
const QString kLongEntry = QStringLiteral("2026-01-05 12:00:00 | .mute W1ABC | W1ABC | button \"Mute 1 Station "
                                          "With NO    Message                         \" (Command48)");

/// Where a control draws its caption and the room it has for it, in the
/// control's coordinates. Each piece must show whole: a word, the indicator
/// of a check box, the title of a frame.
struct Caption {
    QString text;
    QList<QRect> pieces; ///< empty when the control has no caption of its own
    QRect room;
};

/// text as drawn with Qt::TextShowMnemonic: "&Ban" shows "Ban", "&&" "&".
QString withoutMnemonics(const QString &text)
{
    QString drawn;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        drawn.append(text[i]);
    }
    return drawn;
}

/// The words of one line of text drawn into area with the alignment flags,
/// where their glyphs fall: the blanks between and around them place them
/// but show nothing, and another control may lie over them.
QList<QRect> wordsOf(const QFontMetrics &fm, const QRect &area, int flags, const QString &text)
{
    const QString drawn = flags & Qt::TextShowMnemonic ? withoutMnemonics(text) : text;
    int x = area.x();
    if (flags & Qt::AlignHCenter)
        x += (area.width() - fm.horizontalAdvance(drawn)) / 2;
    else if (flags & Qt::AlignRight)
        x += area.width() - fm.horizontalAdvance(drawn);
    int y = area.y();
    if (flags & Qt::AlignVCenter)
        y += (area.height() - fm.height()) / 2;
    else if (flags & Qt::AlignBottom)
        y += area.height() - fm.height();
    QList<QRect> words;
    for (qsizetype i = 0; i < drawn.size();) {
        if (drawn[i].isSpace()) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < drawn.size() && !drawn[end].isSpace())
            ++end;
        const int left = fm.horizontalAdvance(drawn.left(i));
        words.append({x + left, y, fm.horizontalAdvance(drawn.left(end)) - left, fm.height()});
        i = end;
    }
    return words;
}

/// How a button sets its caption: centred, unless its style sheet puts it on
/// the left (the long moderation buttons line their words up that way).
int buttonAlignment(const QPushButton &button)
{
    const bool left = button.styleSheet().remove(u' ').contains(QLatin1String("text-align:left"));
    return (left ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter;
}

/// Where control draws its caption, as its style and font measure it.
Caption captionOf(QWidget &control)
{
    const QFontMetrics fm = control.fontMetrics();
    QStyle *style = control.style();
    if (auto *line = qobject_cast<ElidedLabel *>(&control)) {
        // Cuts its text to its width: what it shows must then show whole.
        const int flags = int(QStyle::visualAlignment(line->layoutDirection(), line->alignment()));
        return {line->shownText(), wordsOf(fm, line->contentsRect(), flags, line->shownText()), line->rect()};
    }
    if (auto *label = qobject_cast<QLabel *>(&control)) {
        if (label->text().isEmpty() || Qt::mightBeRichText(label->text()))
            return {};
        const int m = label->margin();
        const QRect area = label->contentsRect().adjusted(m, m, -m, -m);
        const int flags = int(QStyle::visualAlignment(label->layoutDirection(), label->alignment()));
        if (label->wordWrap())
            return {label->text(), {fm.boundingRect(area, flags | Qt::TextWordWrap, label->text())}, label->rect()};
        return {label->text(), wordsOf(fm, area, flags, label->text()), label->rect()};
    }
    if (auto *button = qobject_cast<QPushButton *>(&control)) {
        if (button->text().isEmpty())
            return {};
        // Inside the bevel and the padding; what falls outside is drawn
        // over the bevel or not at all.
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect area = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        return {button->text(), wordsOf(fm, area, buttonAlignment(*button) | Qt::TextShowMnemonic, button->text()),
                area};
    }
    if (qobject_cast<QCheckBox *>(&control) || qobject_cast<QRadioButton *>(&control)) {
        auto *box = static_cast<QAbstractButton *>(&control);
        if (box->text().isEmpty())
            return {};
        // The indicator, then the text from the left of the space beside it.
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const bool check = qobject_cast<QCheckBox *>(box);
        const QRect indicator = style->subElementRect(
            check ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator, &option, box);
        const QRect area = style->subElementRect(
            check ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents, &option, box);
        return {box->text(),
                QList<QRect>{indicator} + wordsOf(fm, area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                                                  box->text()),
                box->rect()};
    }
    if (auto *frame = qobject_cast<QGroupBox *>(&control)) {
        if (frame->title().isEmpty())
            return {};
        // The style's own place for the title, in the title's font (bold).
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.lineWidth = 1;
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        option.textAlignment = frame->alignment();
        if (frame->isFlat())
            option.features |= QStyleOptionFrame::Flat;
        return {frame->title(),
                {style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame)},
                frame->rect()};
    }
    return {};
}

/// Where control can be seen on its window, in its own coordinates.
struct Sight {
    QRect shown;          ///< its rectangle cut by each container's
    QList<QRect> covered; ///< controls stacked above it that lie over it
};

/// Where control can be seen: nothing of it on a page of a tab control that
/// is not on top, in part past the edge of its window (the narrow main
/// window), and not where another control lies over it. A hidden control is
/// measured where it stands when it is shown, but not against what it
/// replaces then (one conference profile's fields stand on another's).
Sight sightOf(const QWidget &control)
{
    Sight sight{control.rect(), {}};
    QPoint origin; // the control's top left in the container's coordinates
    for (const QWidget *w = &control; !w->isWindow(); w = w->parentWidget()) {
        const QWidget *container = w->parentWidget();
        if (auto *pages = qobject_cast<const QStackedWidget *>(container); pages && pages->currentWidget() != w)
            return {};
        origin += w->pos();
        const QRect here = sight.shown.translated(origin) & container->rect();
        sight.shown = here.translated(-origin);
        if (control.isHidden())
            continue;
        const QObjectList &siblings = container->children();
        for (qsizetype i = siblings.indexOf(w) + 1; i < siblings.size(); ++i) {
            auto *above = qobject_cast<const QWidget *>(siblings[i]);
            if (above && !above->isHidden() && !above->isWindow() && above->geometry().intersects(here))
                sight.covered.append(above->geometry().translated(-origin));
        }
    }
    return sight;
}

/// "Name "Caption" needs W x H pixels at (x, y), has W x H at (x, y)" for
/// each control of window whose caption does not show whole where the
/// window now stands. A caption that lies wholly under other controls (the
/// private message panel under the chat display) is not on the window.
QStringList clippedCaptions(QWidget &window)
{
    QStringList found;
    for (QWidget *control : window.findChildren<QWidget *>()) {
        // The inner parts of compound widgets (a tab bar's arrows) are Qt's.
        if (control->objectName().isEmpty() || control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const Caption caption = captionOf(*control);
        if (caption.pieces.isEmpty())
            continue;
        const Sight sight = sightOf(*control);
        const QRect room = caption.room & sight.shown;
        QRect needs;
        int underOthers = 0;
        bool whole = true;
        for (const QRect &piece : caption.pieces) {
            needs |= piece;
            const auto over = [&](const QRect &c) { return c.intersects(piece); };
            const auto under = [&](const QRect &c) { return c.contains(piece); };
            if (std::any_of(sight.covered.begin(), sight.covered.end(), under))
                ++underOthers;
            else if (!room.contains(piece) || std::any_of(sight.covered.begin(), sight.covered.end(), over))
                whole = false;
        }
        if (sight.shown.isEmpty() || underOthers == caption.pieces.size())
            continue; // not on the window now
        if (whole && underOthers == 0)
            continue;
        found.append(QStringLiteral("%1 \"%2\" needs %3 x %4 pixels at (%5, %6), has %7 x %8 at (%9, %10)%11")
                         .arg(control->objectName(), caption.text)
                         .arg(needs.width()).arg(needs.height()).arg(needs.x()).arg(needs.y())
                         .arg(room.width()).arg(room.height()).arg(room.x()).arg(room.y())
                         .arg(sight.covered.isEmpty() ? QString() : QStringLiteral(", another control over it")));
    }
    return found;
}

/// clippedCaptions with each page of each tab control of window on top in turn.
QStringList clippedOnEveryPage(QWidget &window)
{
    QStringList found = clippedCaptions(window);
    for (QTabWidget *tabs : window.findChildren<QTabWidget *>()) {
        const int was = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            found += clippedCaptions(window);
        }
        tabs->setCurrentIndex(was);
    }
    found.removeDuplicates();
    found.sort();
    return found;
}

} // namespace

class TestCaptions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setFont(QFont(kDesktopFamily, kDesktopPointSize));
        const QFontInfo drawn(QApplication::font());
        QVERIFY2(drawn.family() == kDesktopFamily,
                 qPrintable(QStringLiteral("the captions are drawn in %1, not %2: install fonts-dejavu-core "
                                           "(scripts/setup.sh does)").arg(drawn.family(), kDesktopFamily)));
    }

    void everyCaptionShowsWhole_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("extra");
        QTest::newRow("main window, narrow form") << "Form6" << false;
        QTest::newRow("main window, wide form") << "Form6" << true;
        QTest::newRow("timed ban window") << "Form321" << false;
        QTest::newRow("chat window") << "Messages" << false;
        QTest::newRow("chat window, extra and private message panel shown") << "Messages" << true;
        QTest::newRow("canned messages window") << "Form116" << false;
        QTest::newRow("web links window") << "Form99" << false;
        QTest::newRow("About window") << "Form14" << false;
    }
    void everyCaptionShowsWhole()
    {
        QFETCH(QString, window);
        QFETCH(bool, extra);
        TestRig rig;
        Program &program = rig.start();
        QWidget *shown = nullptr;
        if (window == QLatin1String("Form6")) {
            Form6 &f = program.form6();
            if (extra)
                ui(f).Command39->click();
            f.showLastEvent(kLongEntry);
            shown = &f;
        } else if (window == QLatin1String("Messages")) {
            Messages &f = program.messages();
            if (extra) {
                ui(f).Command39->click();
                ui(f).Command3->click();
            }
            shown = &f;
        } else if (window == QLatin1String("Form321")) {
            shown = &program.form321();
        } else if (window == QLatin1String("Form116")) {
            shown = &program.form116();
        } else if (window == QLatin1String("Form99")) {
            shown = &program.form99();
        } else {
            shown = &program.form14();
        }
        shown->show();
        QCoreApplication::processEvents();

        const QStringList clipped = clippedOnEveryPage(*shown);
        QStringList names;
        for (const QString &c : clipped) {
            qInfo().noquote() << window + u'.' + c;
            names.append(c.section(u' ', 0, 0));
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(QStringLiteral("%1 (%2 x %3 pixels) shows part of the caption of %4")
                                                   .arg(window).arg(shown->width()).arg(shown->height())
                                                   .arg(names.join(QStringLiteral(", ")))));
    }
};

#include "TestMain.h"
GAVELRY_TEST(TestCaptions)
#include "test_captions.moc"
