#pragma once

class QLineEdit;
class QString;

namespace gavelry {

/// Entry styles of a one-line edit box. Like the Windows edit-control styles
/// they act on the keys the operator types, where they are typed; text set
/// by the program, and what the box held before, keep their letters.
namespace EditStyle {
/// Typed letters become capitals.
void setUpperCase(QLineEdit *edit);
/// Only the digits 0-9 can be typed.
void setDigitsOnly(QLineEdit *edit);
bool isUpperCase(const QLineEdit *edit);
bool isDigitsOnly(const QLineEdit *edit);
/// What typing text into edit puts into it: capitals in an upper-case box,
/// only the digits in a digits-only box.
QString styleTyped(const QLineEdit *edit, const QString &typed);
} // namespace EditStyle

} // namespace gavelry
