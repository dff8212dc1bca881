#include "core/Controls.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace gavelry::controls {

QColor fromBgr(int bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

int toBgr(const QColor &c)
{
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

QString caption(const QWidget *w)
{
    if (!w)
        return QString();
    if (auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text();
    if (auto *g = qobject_cast<const QGroupBox *>(w))
        return g->title();
    if (auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    if (auto *t = qobject_cast<const QPlainTextEdit *>(w))
        return t->toPlainText();
    if (auto *t = qobject_cast<const QTextEdit *>(w))
        return t->toPlainText();
    return w->windowTitle();
}

void setCaption(QWidget *w, const QString &text)
{
    if (!w)
        return;
    if (auto *l = qobject_cast<QLabel *>(w))
        l->setText(text);
    else if (auto *b = qobject_cast<QAbstractButton *>(w))
        b->setText(text);
    else if (auto *g = qobject_cast<QGroupBox *>(w))
        g->setTitle(text);
    else if (auto *e = qobject_cast<QLineEdit *>(w))
        e->setText(text);
    else if (auto *t = qobject_cast<QPlainTextEdit *>(w))
        t->setPlainText(text);
    else if (auto *t = qobject_cast<QTextEdit *>(w))
        t->setPlainText(text);
    else
        w->setWindowTitle(text);
}

namespace {

bool isEditor(const QWidget *w)
{
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w)
        || qobject_cast<const QTextEdit *>(w);
}

QPalette::ColorRole foreRole(const QWidget *w)
{
    if (isEditor(w))
        return QPalette::Text;
    if (qobject_cast<const QAbstractButton *>(w))
        return QPalette::ButtonText;
    return QPalette::WindowText;
}

QPalette::ColorRole backRole(const QWidget *w)
{
    if (isEditor(w))
        return QPalette::Base;
    if (qobject_cast<const QAbstractButton *>(w))
        return QPalette::Button;
    return QPalette::Window;
}

} // namespace

int foreColor(const QWidget *w)
{
    return w ? toBgr(w->palette().color(foreRole(w))) : 0;
}

void setForeColor(QWidget *w, int bgr)
{
    if (!w || foreColor(w) == bgr)
        return;
    QPalette p = w->palette();
    p.setColor(foreRole(w), fromBgr(bgr));
    w->setPalette(p);
}

int backColor(const QWidget *w)
{
    return w ? toBgr(w->palette().color(backRole(w))) : 0;
}

void setBackColor(QWidget *w, int bgr)
{
    if (!w || backColor(w) == bgr)
        return;
    QPalette p = w->palette();
    p.setColor(backRole(w), fromBgr(bgr));
    w->setPalette(p);
    if (!isEditor(w))
        w->setAutoFillBackground(true);
}

int checkValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    }
    return 0;
}

void setCheckValue(QCheckBox *box, int value)
{
    if (value == 2) {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
    } else {
        box->setCheckState(value ? Qt::Checked : Qt::Unchecked);
        // Greyed is a state only the program sets; a click goes between
        // ticked and clear again.
        box->setTristate(false);
    }
}

bool toBool(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double d = t.toDouble(&ok);
    return ok && d != 0.0;
}

int toInt(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t[end] == u'-' || t[end] == u'+'))
        ++end;
    while (end < t.size() && t[end].isDigit())
        ++end;
    bool ok = false;
    const int v = t.left(end).toInt(&ok);
    return ok ? v : 0;
}

void setCaret(QWidget *box, int position)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(box)) {
        QTextCursor c = plain->textCursor();
        c.setPosition(qMin(position, plain->document()->characterCount() - 1));
        plain->setTextCursor(c);
    } else if (auto *rich = qobject_cast<QTextEdit *>(box)) {
        QTextCursor c = rich->textCursor();
        c.setPosition(qMin(position, rich->document()->characterCount() - 1));
        rich->setTextCursor(c);
    } else if (auto *line = qobject_cast<QLineEdit *>(box)) {
        line->setCursorPosition(qMin(position, static_cast<int>(line->text().size())));
    }
}

QString clipped(const QString &text, qsizetype max)
{
    if (text.size() <= max)
        return text;
    qsizetype keep = max - 1;
    if (keep > 0 && text[keep - 1].isHighSurrogate())
        --keep;
    return text.left(keep) + QChar(0x2026);
}

} // namespace gavelry::controls
