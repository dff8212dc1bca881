#include "util/clsResize.h"

#include "core/Controls.h"

#include <QLayout>
#include <QWidget>
#include <cmath>

namespace gavelry {

namespace {

/// Whole twips, rounded to the nearest.
int twipsOf(int pixels) { return controls::toTwips(pixels); }

/// A control the resizer sizes: placed on the window by name, not a window of
/// its own, and not placed by a layout.
bool isScaledControl(const QWidget *w)
{
    if (w->isWindow())
        return false;
    const QString name = w->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
        return false;
    const QWidget *container = w->parentWidget();
    return !(container && container->layout() && container->layout()->indexOf(w) >= 0);
}

int rounded(double v)
{
    // Beyond what a widget can hold the control keeps its value.
    return int(std::lround(qBound(-1e9, v, 1e9)));
}

} // namespace

void clsResize::FormInitialize(QWidget *form)
{
    m_form = form;
    m_kept.clear();
    record();
}

void clsResize::record()
{
    m_width = m_form ? twipsOf(m_form->width()) : 0;
    m_height = m_form ? twipsOf(m_form->height()) : 0;
}

bool clsResize::FormResize()
{
    if (!m_form || m_width == 0 || m_height == 0)
        return false;
    const double vertical = double(twipsOf(m_form->height())) / m_height;
    const double horizontal = double(twipsOf(m_form->width())) / m_width;
    if (vertical != 1.0 || horizontal != 1.0) {
        const QList<QWidget *> all = m_form->findChildren<QWidget *>();
        for (QWidget *control : all)
            if (isScaledControl(control))
                scale(control, horizontal, vertical);
        // Controls that went away since the last resize are forgotten.
        for (auto it = m_kept.begin(); it != m_kept.end();)
            it = all.contains(it.key()) ? std::next(it) : m_kept.erase(it);
    }
    record();
    return true;
}

void clsResize::scale(QWidget *control, double horizontal, double vertical)
{
    Kept &kept = m_kept[control];
    const QRect now = control->geometry();
    if (kept.applied != now || kept.exact.isNull())
        kept.exact = QRectF(now); // first time here, or moved by someone else
    QRectF &r = kept.exact;
    r.setHeight(r.height() * vertical);
    r.setWidth(r.width() * horizontal);
    r.moveTop(r.top() * vertical);
    r.moveLeft(r.left() * horizontal);
    control->setGeometry(rounded(r.left()), rounded(r.top()), rounded(r.width()), rounded(r.height()));
    // A control with a minimum or maximum size may refuse part of the value;
    // what it took is what the next resize compares against.
    kept.applied = control->geometry();
}

} // namespace gavelry
