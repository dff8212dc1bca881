#include "scenario/ScenarioWidgets.h"

#include "core/Controls.h"
#include "platform/EditStyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

namespace gavelry::scenario::widgets {

namespace {

QString truth(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

QString defaultProperty(const QWidget *w, bool isWindow)
{
    if (isWindow)
        return QStringLiteral("Caption");
    if (isTextBox(w))
        return QStringLiteral("Text");
    if (isCheckable(w))
        return QStringLiteral("Value");
    return QStringLiteral("Caption");
}

int twips(int pixels) { return controls::toTwips(pixels); }

} // namespace

bool isTextBox(const QWidget *w)
{
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w)
        || qobject_cast<const QTextEdit *>(w);
}

bool isCheckable(const QWidget *w) { return qobject_cast<const QCheckBox *>(w) || isOptionButton(w); }

bool isOptionButton(const QWidget *w) { return qobject_cast<const QRadioButton *>(w); }

bool checkProperty(const QWidget *w, bool isWindow, const QString &property, QString &error)
{
    const QString p = property.isEmpty() ? defaultProperty(w, isWindow) : property;
    if (p == QLatin1String("Text") && (isWindow || !(isTextBox(w) || qobject_cast<const QComboBox *>(w)))) {
        error = QStringLiteral("%1 has no Text; use Caption").arg(w->objectName());
        return false;
    }
    if (p == QLatin1String("Caption") && !isWindow && isTextBox(w)) {
        error = QStringLiteral("%1 is a text box: it has Text, not Caption").arg(w->objectName());
        return false;
    }
    if (p == QLatin1String("Value") && (isWindow || !isCheckable(w))) {
        error = QStringLiteral("%1 has no Value: only check boxes and option buttons have one").arg(w->objectName());
        return false;
    }
    return true;
}

QString property(const QWidget *w, bool isWindow, const QString &property)
{
    const QString p = property.isEmpty() ? defaultProperty(w, isWindow) : property;
    if (p == QLatin1String("Text")) {
        if (auto *e = qobject_cast<const QLineEdit *>(w))
            return e->text();
        if (auto *t = qobject_cast<const QPlainTextEdit *>(w))
            return t->toPlainText();
        if (auto *t = qobject_cast<const QTextEdit *>(w))
            return displayText(t->document());
        if (auto *c = qobject_cast<const QComboBox *>(w))
            return c->currentText();
    }
    if (p == QLatin1String("Caption"))
        return isWindow ? w->windowTitle() : controls::caption(w);
    if (p == QLatin1String("Value")) {
        if (auto *r = qobject_cast<const QRadioButton *>(w))
            return truth(r->isChecked());
        if (auto *c = qobject_cast<const QCheckBox *>(w))
            return QString::number(controls::checkValue(c));
    }
    if (p == QLatin1String("BackColor"))
        return QString::number(controls::backColor(w));
    if (p == QLatin1String("ForeColor"))
        return QString::number(controls::foreColor(w));
    // A control's own flags; a parent hidden or disabled does not change them.
    if (p == QLatin1String("Enabled"))
        return truth(isWindow ? w->isEnabled() : !w->testAttribute(Qt::WA_ForceDisabled));
    if (p == QLatin1String("Visible"))
        return truth(isWindow ? w->isVisible() : !w->isHidden());
    if (p == QLatin1String("ToolTipText"))
        return w->toolTip();
    const QPoint at = isWindow ? w->pos() : w->geometry().topLeft();
    if (p == QLatin1String("Left"))
        return QString::number(twips(at.x()));
    if (p == QLatin1String("Top"))
        return QString::number(twips(at.y()));
    if (p == QLatin1String("Width"))
        return QString::number(twips(w->width()));
    if (p == QLatin1String("Height"))
        return QString::number(twips(w->height()));
    return QString();
}

QString displayText(const QTextDocument *document)
{
    QString out;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block != document->begin())
            out += u'\n';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QString text = fragment.text();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                const QString name = format.toImageFormat().name();
                if (name.startsWith(QLatin1String("icon:")))
                    text.replace(QChar::ObjectReplacementCharacter, QStringLiteral("{icon %1}").arg(name.mid(5)));
            }
            text.replace(QChar::LineSeparator, u'\n');
            text.replace(QChar::Nbsp, u' ');
            out += text;
        }
    }
    return out;
}

void click(QWidget *w)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        b->click();
        return;
    }
    const QPointF centre = QRectF(w->rect()).center();
    const QPointF global = w->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

void setText(QWidget *w, const QString &text)
{
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->selectAll();
        const QString typed = EditStyle::styleTyped(e, text);
        if (typed.isEmpty())
            e->del();
        else
            e->insert(typed);
    } else if (auto *t = qobject_cast<QPlainTextEdit *>(w)) {
        t->selectAll();
        t->insertPlainText(text);
    } else if (auto *t = qobject_cast<QTextEdit *>(w)) {
        t->selectAll();
        t->insertPlainText(text);
    }
}

void typeText(QWidget *w, const QString &text)
{
    for (const QChar c : text) {
        int key = Qt::Key_unknown;
        QString keyText(c);
        if (c == u'\r' || c == u'\n') {
            key = Qt::Key_Return;
            keyText = QStringLiteral("\r");
        } else if (c == u'\t') {
            key = Qt::Key_Tab;
        } else if (c.isLetter() && c.toUpper().unicode() < 128) {
            key = Qt::Key_A + (c.toUpper().unicode() - 'A');
        } else if (c.unicode() < 128) {
            key = c.unicode(); // Qt's key codes for ASCII are the characters themselves
        }
        const Qt::KeyboardModifiers mods = c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier;
        QKeyEvent press(QEvent::KeyPress, key, mods, keyText);
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, mods, keyText);
        QApplication::sendEvent(w, &release);
    }
}

void check(QWidget *w, int value)
{
    if (auto *r = qobject_cast<QRadioButton *>(w)) {
        if (!r->isChecked())
            r->click();
        return;
    }
    auto *box = qobject_cast<QCheckBox *>(w);
    if (!box || controls::checkValue(box) == value)
        return;
    if (value == 2)
        controls::setCheckValue(box, 2);
    else if (controls::checkValue(box) == 2)
        controls::setCheckValue(box, value);
    else
        box->click();
}

} // namespace gavelry::scenario::widgets
