#pragma once

class QLineEdit;

namespace gavelry {

/// Entry styles of a one-line edit box. Like the Windows edit-control styles
/// they act on what the operator types or pastes; text set by the program is
/// left as it is.
namespace EditStyle {
/// Typed letters become capitals.
void setUpperCase(QLineEdit *edit);
/// Only the digits 0-9 can be typed.
void setDigitsOnly(QLineEdit *edit);
bool isUpperCase(const QLineEdit *edit);
bool isDigitsOnly(const QLineEdit *edit);
} // namespace EditStyle

} // namespace gavelry
