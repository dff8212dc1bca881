#pragma once

#include <QLabel>

namespace gavelry {

/// A one-line label that shows as much of its text as its width holds: a
/// text too long for it shows its beginning and its end around "…", so a
/// log entry keeps both its time and its cause. text() stays the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    /// The text as it shows at the label's present width.
    QString shownText() const;
    /// Any width will do: the text is cut to fit.
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace gavelry
