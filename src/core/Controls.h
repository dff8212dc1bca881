#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <climits>

class QCheckBox;

/// The few properties every window's controls share, in the units the
/// program keeps them in: captions, colours as 24-bit values with red in the
/// low byte, check box values 0/1/2, positions and sizes in twips.
namespace gavelry::controls {

inline constexpr int kTwipsPerPixel = 15;
/// The nearest pixel, the same way on both sides of zero (a window left of
/// or above the main screen has a negative position). Worked in 64 bits: a
/// position read from a settings file may be any int.
inline constexpr int toPixels(int twips)
{
    const qint64 shifted = qint64(twips) + kTwipsPerPixel / 2;
    // Division rounds toward zero; the pixel is the floor of the quotient.
    const qint64 quotient = shifted / kTwipsPerPixel;
    return int(shifted % kTwipsPerPixel < 0 ? quotient - 1 : quotient);
}
inline constexpr int toTwips(int pixels)
{
    const qint64 twips = qint64(pixels) * kTwipsPerPixel;
    return int(qBound(qint64(INT_MIN), twips, qint64(INT_MAX)));
}

// Colours the program uses, red in the low byte.
inline constexpr int kRed = 255;
inline constexpr int kGreen = 32768;
inline constexpr int kBlue = 16711680;
inline constexpr int kLightGreen = 8454016;
inline constexpr int kBlack = 0;

QColor fromBgr(int bgr);
int toBgr(const QColor &color);

/// The control of window named name (its object name in the window's form):
/// how a behaviour class takes the controls it works on at construction. A
/// control that is not there, or not of kind T, is a fault of the program
/// and stops it at once, whatever the window.
template <class T>
T *child(const QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("%s has no %s named %s", qPrintable(window.objectName()), T::staticMetaObject.className(), name);
    return found;
}

/// Caption of a label, button, check box, option button, frame or window; the
/// text of a text box.
QString caption(const QWidget *w);
void setCaption(QWidget *w, const QString &text);

/// Puts a text box's caret at position (its end when the text is shorter).
void setCaret(QWidget *box, int position);

/// The most characters a box shows of one text that came from outside: as
/// much as a line edit holds.
inline constexpr int kLongestText = 32767;
/// text, or when it is longer than max characters its start ending in "…"
/// (never cut between the two halves of a character outside the BMP).
QString clipped(const QString &text, qsizetype max = kLongestText);

int foreColor(const QWidget *w);
void setForeColor(QWidget *w, int bgr);
int backColor(const QWidget *w);
void setBackColor(QWidget *w, int bgr);

/// 0 unchecked, 1 checked, 2 greyed.
int checkValue(const QCheckBox *box);
void setCheckValue(QCheckBox *box, int value);

/// A stored truth value: "True"/"False", also "1"/"0" and any number.
bool toBool(const QString &text);
/// A stored check value: the leading integer of the text, 0 when there is none.
int toInt(const QString &text);

} // namespace gavelry::controls
