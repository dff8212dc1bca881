#pragma once

#include <QHash>
#include <QPointer>
#include <QRectF>

class QWidget;

namespace gavelry {

/// Makes the controls of a window follow the window's size: each resize
/// scales every control's left and width by the change in the window's width
/// and its top and height by the change in its height, relative to the size
/// recorded at the previous resize. Fonts keep their size.
///
/// A window owns one, calls FormInitialize once its controls exist and
/// FormResize from every resize; it goes with the window.
///
/// The controls are the widgets placed on the window (they carry a name), at
/// any depth, each scaled within its own container. Widgets a layout places
/// are the layout's to size, and the unnamed inner parts of compound widgets
/// (scroll bars, viewports) follow their owner; both are passed over, as is
/// anything without a geometry. Each control's exact, unrounded geometry is
/// kept between resizes, so growing and shrinking back returns every control
/// to where it was instead of drifting by a pixel per resize; a control moved
/// by other code since the last resize is scaled from where it now is.
class clsResize {
public:
    clsResize() = default;
    clsResize(const clsResize &) = delete;
    clsResize &operator=(const clsResize &) = delete;

    /// Keeps the window and records its current size.
    void FormInitialize(QWidget *form);
    /// Scales every control to the window's new size, then records that size.
    /// Returns false, scaling and recording nothing, when there is no window
    /// or the recorded width or height is 0 (there is no factor to scale by).
    bool FormResize();

    /// The recorded size, whole twips.
    int recordedWidth() const { return m_width; }
    int recordedHeight() const { return m_height; }

private:
    struct Kept {
        QRectF exact;  ///< unrounded, pixels
        QRect applied; ///< what was last set on the control
    };

    void record();
    void scale(QWidget *control, double horizontal, double vertical);

    QPointer<QWidget> m_form;
    int m_width = 0;
    int m_height = 0;
    QHash<QWidget *, Kept> m_kept;
};

} // namespace gavelry
