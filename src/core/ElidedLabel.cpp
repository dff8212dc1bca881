#include "core/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace gavelry {

namespace {

/// Where the text goes: the contents less the margin, as QLabel draws it.
QRect textArea(const QLabel &label)
{
    const int m = label.margin();
    return label.contentsRect().adjusted(m, m, -m, -m);
}

} // namespace

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, textArea(*this).width());
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QSize whole = QLabel::minimumSizeHint();
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")), whole.height()};
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, textArea(*this), QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), shownText(), foregroundRole());
}

} // namespace gavelry
