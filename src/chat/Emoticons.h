#pragma once

#include <QFont>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace gavelry::chat {

/// The display's pictures (the control array imgIcon): member i stands for
/// the codes of its tag, all case-sensitive.
inline constexpr int kIconCount = 42;
/// The palette's pictures Image1 .. Image35.
inline constexpr int kPaletteCount = 35;

/// The tag of display member index: its codes separated by single blanks.
QString iconTag(int index);
/// The codes of a tag, in tag order.
QStringList tagCodes(const QString &tag);

/// What clicking palette picture n (1-based) appends to the compose box.
QString paletteText(int n);

/// A run of a displayed line: plain text, or one picture (icon >= 0).
struct EmoticonPiece {
    QString text;
    int icon = -1;
    bool operator==(const EmoticonPiece &o) const { return text == o.text && icon == o.icon; }
};

/// The picture pass over the text of one new line. Members are taken in
/// index order and each member's codes in tag order; every occurrence of a
/// code is replaced by the member's picture, searching on from the picture
/// just placed. A code that contains an earlier member's code is therefore
/// broken up by it: ":Drink" becomes picture 1 and "rink".
QList<EmoticonPiece> replaceEmoticons(const QString &text);

/// The pictures, drawn from the colour emoji font of the system (Noto Color
/// Emoji); a member whose glyph cannot be drawn gets a coloured disc with its
/// index, so the display never lacks a picture. Drawing all of them costs more
/// than the rest of the program's start-up, and a headless bot may never need
/// one, so each picture is drawn the first time it is asked for and kept.
class EmoticonArt {
public:
    static constexpr int kSize = 20;

    EmoticonArt();
    /// Member index's picture, drawn on first use.
    const QImage &icon(int index) const;
    /// Whether the emoji font was found (false: every picture is a disc).
    bool fromFont() const;
    /// How many pictures have been drawn so far.
    int drawnCount() const;
    /// The emoji drawn for member index.
    static QString glyph(int index);

private:
    void findFont() const;

    mutable std::array<QImage, kIconCount> m_icons;
    mutable std::optional<bool> m_fromFont; // set once the font has been looked for
    mutable QFont m_font;
};

} // namespace gavelry::chat
