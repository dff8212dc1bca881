#include "chat/Emoticons.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>

namespace gavelry::chat {

namespace {

// The tags of imgIcon(0) .. imgIcon(41). The order is behaviour: an earlier
// member's code is replaced first, inside later members' codes too.
const std::array<const char *, kIconCount> kTags{
    ":)",         ":D :-D",      ":( :-(",     ":O :-O",        ":?",         ":B) :B-)",
    ":xx",        ":>) :evil",   ":-)",        ":>",            ":=)",        ":*",
    ":0/",        ":r)",         ":-H",        ":-c",           ":8->",       ":pp",
    ":-L",        ":8-x",        ":~O)",       ":echolink :EchoLink",         ":Drink drink",
    ":loo :Loo",  ":Beer :beer", ":Skull :skull", ":xmas :Xmas", ":world :World", ":monk",
    ":Wrenmoor",  ":ok",         ":gr)",       ":sp)",          ":wx)",       ":hf)",
    ":pir)",      ":bir)",       ":drv)",      ":dv)",          ":alf)",      ":ali)",
    ":ang)",
};

// What Image1 .. Image35 insert: a leading blank, the code, a trailing blank
// (Image14 has none).
const std::array<const char *, kPaletteCount> kPalette{
    " :) ",    " :D ",    " :( ",    " :O ",     " :? ",     " :B) ",   " :xx ",
    " :>) ",   " :-) ",   " :> ",    " :=) ",    " :* ",     " :0/ ",   " :r)",
    " :-H ",   " :-c ",   " :8-> ",  " :pp ",    " :-L ",    " :8-x ",  " :~O) ",
    " :gr) ",  " :ok ",   " :sp) ",  " :wx) ",   " :hf) ",   " :pir) ", " :dv) ",
    " :drv) ", " :alf) ", " :ali) ", " :ang) ",  " :bir) ",  " :echolink ", " :drink ",
};

// One distinct emoji per member, chosen to fit its codes.
const std::array<char32_t, kIconCount> kGlyphs{
    0x1F642, // :)        slightly smiling
    0x1F601, // :D        grin
    0x1F641, // :(        slightly frowning
    0x1F62E, // :O        open mouth
    0x1F615, // :?        confused
    0x1F60E, // :B)       sunglasses
    0x1F635, // :xx       dizzy
    0x1F608, // :>) :evil smiling devil
    0x1F60A, // :-)       smiling eyes
    0x1F60F, // :>        smirk
    0x1F603, // :=)       big smile
    0x1F618, // :*        blowing a kiss
    0x1F62C, // :0/       grimacing
    0x1F644, // :r)       rolling eyes
    0x1F913, // :-H       nerd
    0x1F61E, // :-c       disappointed
    0x1F929, // :8->      star-struck
    0x1F61B, // :pp       tongue out
    0x1F610, // :-L       neutral
    0x1F910, // :8-x      zipper mouth
    0x1F921, // :~O)      clown
    0x1F4FB, // :echolink radio
    0x1F379, // drink     tropical drink
    0x1F6BD, // :loo      toilet
    0x1F37A, // :beer     beer mug
    0x1F480, // :skull    skull
    0x1F384, // :xmas     Christmas tree
    0x1F30D, // :world    globe
    0x1F9D8, // :monk     person in lotus position
    0x1F9D4, // :Wrenmoor a bearded portrait
    0x1F44C, // :ok       OK hand
    0x1F620, // :gr)      angry
    0x1F634, // :sp)      sleeping
    0x26C5,  // :wx)      sun behind cloud
    0x270B,  // :hf)      raised hand
    0x1F99C, // :pir)     parrot
    0x1F382, // :bir)     birthday cake
    0x1F697, // :drv)     car
    0x1F93F, // :dv)      diving mask
    0x1F47D, // :alf)     alien
    0x1F47E, // :ali)     alien monster
    0x1F607, // :ang)     halo
};

const QString kEmojiFamily = QStringLiteral("Noto Color Emoji");
const QString kEmojiFile = QStringLiteral("/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf");

// The colour font carries bitmaps of one size (109 px); drawing at that size
// and scaling down smoothly looks better than asking the engine for 20 px.
constexpr int kDrawSize = 128;

bool emojiFontAvailable()
{
    if (QFontDatabase::families().contains(kEmojiFamily))
        return true;
    return QFontDatabase::addApplicationFont(kEmojiFile) >= 0
        && QFontDatabase::families().contains(kEmojiFamily);
}

bool hasInk(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]) != 0)
                return true;
    }
    return false;
}

QImage drawGlyph(const QFont &font, char32_t glyph)
{
    QImage big(kDrawSize, kDrawSize, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    {
        QPainter p(&big);
        p.setFont(font);
        p.drawText(big.rect(), Qt::AlignCenter, QString::fromUcs4(&glyph, 1));
    }
    if (!hasInk(big))
        return {};
    return big.scaled(EmoticonArt::kSize, EmoticonArt::kSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage drawDisc(int index)
{
    QImage image(EmoticonArt::kSize, EmoticonArt::kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromHsv((index * 360 / kIconCount) % 360, 160, 230));
    p.drawEllipse(image.rect().adjusted(1, 1, -1, -1));
    QFont f;
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(image.rect(), Qt::AlignCenter, QString::number(index));
    return image;
}

/// A quick test that spares most of the code searches: nearly every code is
/// ":" and a second character, and a code can only be found when that pair
/// occurs in the text. Replacing a code never brings a new character after a
/// ":" (a picture takes its place), so the pairs of the original text hold for
/// the whole pass.
class ColonFollowers {
public:
    explicit ColonFollowers(const QString &text)
    {
        for (qsizetype i = text.indexOf(u':'); i >= 0 && i + 1 < text.size(); i = text.indexOf(u':', i + 1)) {
            const char16_t next = text[i + 1].unicode();
            if (next < 128)
                m_ascii[next] = true;
            else
                m_other = true;
        }
    }
    bool mayContain(const QString &code) const
    {
        if (code.size() < 2 || code[0] != u':')
            return true;
        const char16_t next = code[1].unicode();
        return next < 128 ? m_ascii[next] : m_other;
    }

private:
    std::array<bool, 128> m_ascii{};
    bool m_other = false;
};

} // namespace

QString iconTag(int index)
{
    return QString::fromUtf8(kTags.at(static_cast<size_t>(index)));
}

QStringList tagCodes(const QString &tag)
{
    // Split at single blanks; an empty code (two blanks) would match
    // everywhere and is left out.
    QStringList codes = tag.split(u' ');
    codes.removeAll(QString());
    return codes;
}

QString paletteText(int n)
{
    return QString::fromUtf8(kPalette.at(static_cast<size_t>(n - 1)));
}

QList<EmoticonPiece> replaceEmoticons(const QString &text)
{
    // Every code in the order the pass takes them: members by index, each
    // member's codes in tag order.
    struct Code {
        QString text;
        qint8 icon;
    };
    static const std::vector<Code> codes = [] {
        std::vector<Code> all;
        for (int i = 0; i < kIconCount; ++i)
            for (const QString &code : tagCodes(iconTag(i)))
                all.push_back({code, static_cast<qint8>(i)});
        return all;
    }();

    // The pass works on the line as received, marking which characters the
    // pictures placed so far have taken: a picture stands where its code
    // began, and the rest of its code is gone. A later code matches only
    // where every character it needs is still free text, so it is never
    // found across or inside a picture, exactly as if each code had been cut
    // out of the text and a picture put in its place. Each code costs one
    // scan of the line, whatever the number of pictures: the pass stays
    // linear in the line's length.
    constexpr qint8 kFree = -1;
    constexpr qint8 kTaken = -2;
    const qsizetype n = text.size();
    const QStringView all(text);
    std::vector<qint8> owner;
    const ColonFollowers followers(text);
    for (const Code &code : codes) {
        if (!followers.mayContain(code.text))
            continue;
        const qsizetype length = code.text.size();
        for (qsizetype p = all.indexOf(code.text); p >= 0; p = all.indexOf(code.text, p)) {
            if (owner.empty())
                owner.assign(static_cast<size_t>(n), kFree);
            const auto first = owner.begin() + p;
            if (std::any_of(first, first + length, [](qint8 o) { return o != kFree; })) {
                ++p; // overlaps a picture: look further on
                continue;
            }
            *first = code.icon;
            std::fill(first + 1, first + length, kTaken);
            p += length;
        }
    }

    QList<EmoticonPiece> pieces;
    if (owner.empty()) {
        if (!text.isEmpty())
            pieces.append({text, -1});
        return pieces;
    }
    qsizetype runStart = -1;
    for (qsizetype i = 0; i <= n; ++i) {
        const qint8 o = i < n ? owner[static_cast<size_t>(i)] : kTaken;
        if (o == kFree) {
            if (runStart < 0)
                runStart = i;
            continue;
        }
        if (runStart >= 0) {
            pieces.append({all.sliced(runStart, i - runStart).toString(), -1});
            runStart = -1;
        }
        if (o >= 0)
            pieces.append({QString(), o});
    }
    return pieces;
}

QString EmoticonArt::glyph(int index)
{
    const char32_t c = kGlyphs.at(static_cast<size_t>(index));
    return QString::fromUcs4(&c, 1);
}

EmoticonArt::EmoticonArt() = default;

void EmoticonArt::findFont() const
{
    if (m_fromFont)
        return;
    m_fromFont = emojiFontAvailable();
    m_font = QFont(kEmojiFamily);
    m_font.setPixelSize(109);
}

bool EmoticonArt::fromFont() const
{
    findFont();
    return *m_fromFont;
}

const QImage &EmoticonArt::icon(int index) const
{
    QImage &image = m_icons.at(static_cast<size_t>(index));
    if (!image.isNull())
        return image;
    const char32_t c = kGlyphs[static_cast<size_t>(index)];
    if (fromFont() && QFontMetrics(m_font).inFontUcs4(c))
        image = drawGlyph(m_font, c);
    if (image.isNull())
        image = drawDisc(index);
    return image;
}

int EmoticonArt::drawnCount() const
{
    return static_cast<int>(std::count_if(m_icons.begin(), m_icons.end(), [](const QImage &i) { return !i.isNull(); }));
}

} // namespace gavelry::chat
