#pragma once

#include <QString>

class QTextDocument;
class QWidget;

/// What a scenario does to the windows' controls and reads from them, the
/// way the operator would: properties by their names (Caption, Text, Value,
/// BackColor, Width ...), clicks, typing.
namespace gavelry::scenario::widgets {

bool isTextBox(const QWidget *w);
bool isCheckable(const QWidget *w);
bool isOptionButton(const QWidget *w);

/// Whether `show` can read property (empty: the control's default) of w.
bool checkProperty(const QWidget *w, bool isWindow, const QString &property, QString &error);
/// The property as text: colours and twips as decimals, flags True/False.
/// Empty property: a text box's Text, a check box's or option button's
/// Value, the Caption of anything else.
QString property(const QWidget *w, bool isWindow, const QString &property);

/// A rich text display as plain text, each emoticon picture as "{icon N}".
QString displayText(const QTextDocument *document);

/// A button is clicked; anything else gets a left mouse click at its centre.
void click(QWidget *w);
/// Replaces a text box's text as typing would (the box's edit style and its
/// change handlers run).
void setText(QWidget *w, const QString &text);
/// Sends the text key by key; "\r" is Enter.
void typeText(QWidget *w, const QString &text);
/// Sets a check box to value, or selects an option button, by clicking it
/// when that changes it (greyed, 2, cannot be clicked to: it is set).
void check(QWidget *w, int value);

} // namespace gavelry::scenario::widgets
