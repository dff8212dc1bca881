// The emoticon picture pass and the pictures themselves.

#include "chat/Emoticons.h"

#include <QGuiApplication>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace gavelry::chat;

Q_DECLARE_METATYPE(QList<EmoticonPiece>)

namespace {

/// Pieces written the way the scenario transcript shows them: text as is,
/// pictures as {icon N}.
QString render(const QList<EmoticonPiece> &pieces)
{
    QString out;
    for (const EmoticonPiece &p : pieces)
        out += p.icon < 0 ? p.text : QStringLiteral("{icon %1}").arg(p.icon);
    return out;
}

/// The pass as its rule reads, kept plain: the line is a list of cells (a
/// character, or a picture no code can match); for each code in order, every
/// place where it stands in characters, from left to right, becomes one
/// picture cell. Slow (it moves the cells after every picture) but plainly
/// right: the yardstick for the real pass.
QList<EmoticonPiece> referencePass(const QString &text)
{
    struct Cell {
        QChar c;
        int icon;
    };
    QList<Cell> cells;
    for (const QChar c : text)
        cells.append({c, -1});
    for (int i = 0; i < kIconCount; ++i) {
        for (const QString &code : tagCodes(iconTag(i))) {
            for (qsizetype p = 0; p + code.size() <= cells.size(); ++p) {
                bool match = true;
                for (qsizetype k = 0; k < code.size() && match; ++k)
                    match = cells[p + k].icon < 0 && cells[p + k].c == code[k];
                if (match) {
                    cells.remove(p, code.size());
                    cells.insert(p, {QChar(), i});
                }
            }
        }
    }
    QList<EmoticonPiece> pieces;
    for (const Cell &cell : cells) {
        if (cell.icon >= 0)
            pieces.append({QString(), cell.icon});
        else if (!pieces.isEmpty() && pieces.last().icon < 0)
            pieces.last().text += cell.c;
        else
            pieces.append({QString(cell.c), -1});
    }
    return pieces;
}

/// A line made of whole codes, pieces of codes and characters that occur in
/// codes, so that codes run into each other, overlap and break each other up.
QString randomLine(QRandomGenerator &random)
{
    static const QStringList codes = [] {
        QStringList all;
        for (int i = 0; i < kIconCount; ++i)
            all += tagCodes(iconTag(i));
        return all;
    }();
    static const QString letters = QStringLiteral(":)-(>DOBrinkdxe~8=L ") + QChar(0xFFFC);
    QString line;
    const int parts = random.bounded(1, 40);
    for (int i = 0; i < parts; ++i) {
        const QString &code = codes[random.bounded(codes.size())];
        switch (random.bounded(4)) {
        case 0: line += code; break;
        case 1: line += code.left(random.bounded(1, int(code.size()) + 1)); break;
        case 2: line += code.mid(random.bounded(int(code.size()))); break;
        default: line += letters[random.bounded(letters.size())]; break;
        }
    }
    return line;
}

} // namespace

class TestEmoticons : public QObject {
    Q_OBJECT
private slots:
    void pass_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("smile and nose smile differ") << "hi :) and :-)" << "hi {icon 0} and {icon 8}";
        QTest::newRow("evil grin not broken by :>") << ":>) " << "{icon 7} ";
        QTest::newRow("plain :> ") << "a :> b" << "a {icon 9} b";
        QTest::newRow("three times") << ":beer :beer :beer" << "{icon 24} {icon 24} {icon 24}";
        QTest::newRow("Drink broken by :D") << ":Drink" << "{icon 1}rink";
        QTest::newRow("drink broken after the colon") << " :drink " << " :{icon 22} ";
        QTest::newRow("second code of a member") << ":-D :-(" << "{icon 1} {icon 2}";
        QTest::newRow("case-sensitive") << ":BEER :d" << ":BEER :d";
        QTest::newRow("portrait") << ":Wrenmoor" << "{icon 29}";
        QTest::newRow("code next to code") << ":):)" << "{icon 0}{icon 0}";
        QTest::newRow("markup stays text") << "<b>:)</b>" << "<b>{icon 0}</b>";
        QTest::newRow("no codes") << "plain text" << "plain text";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("later member earlier in the line") << ":beer :)" << "{icon 24} {icon 0}";
        QTest::newRow("long codes before short ones")
            << ":Skull :beer :) :Wrenmoor :)" << "{icon 25} {icon 24} {icon 0} {icon 29} {icon 0}";
        QTest::newRow("replacement chars among pictures") << QString(QChar(0xFFFC)) + ":beer " + QChar(0xFFFC) + " :)"
                                                          << QString(QChar(0xFFFC)) + "{icon 24} " + QChar(0xFFFC)
                + " {icon 0}";
        QTest::newRow("replacement char in text stays text") << QString(QChar(0xFFFC)) + ":)"
                                                             << QString(QChar(0xFFFC)) + "{icon 0}";
        QTest::newRow("codes at both ends") << ":)x:beer" << "{icon 0}x{icon 24}";
        QTest::newRow("a code inside another's colon") << "::))" << ":{icon 0})";
        QTest::newRow("nose smile then smile, overlapping") << ":-):)" << "{icon 8}{icon 0}";
        QTest::newRow("earlier member is a prefix") << ":xxmas :xmas" << "{icon 6}mas {icon 26}";
        QTest::newRow("later member is a prefix") << "::>)>" << ":{icon 7}>";
        QTest::newRow("second code after a colon") << "::-D" << ":{icon 1}";
        QTest::newRow("code without colon twice") << "xdrinkdrinkx" << "x{icon 22}{icon 22}x";
        QTest::newRow("Drink and drink") << ":Drink drink" << "{icon 1}rink {icon 22}";
        QTest::newRow("case of two-spelling codes")
            << ":EchoLink :echolink :ECHOLINK :Loo :LOO" << "{icon 21} {icon 21} :ECHOLINK {icon 23} :LOO";
        QTest::newRow("similar long codes") << ":8->:8-x:drv):dv)" << "{icon 16}{icon 19}{icon 37}{icon 38}";
        QTest::newRow("end of a later code taken by an earlier one") << ":worldrink :Worldrink"
                                                                     << ":worl{icon 22} :Worl{icon 22}";
        QTest::newRow("lone colon at the end") << ":) :" << "{icon 0} :";
        QTest::newRow("only part of a code") << ":Wrenmoo :bee" << ":Wrenmoo :bee";
        QTest::newRow("beside characters outside the BMP")
            << QString::fromUtf8("\xF0\x9F\x98\x80:)\xF0\x9F\x98\x80")
            << QString::fromUtf8("\xF0\x9F\x98\x80{icon 0}\xF0\x9F\x98\x80");
    }
    void pass()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(render(replaceEmoticons(text)), shown);
    }

    void passMatchesThePlainRule()
    {
        // Seeded: a failure names its line and comes back the same way.
        QRandomGenerator random(20261208);
        for (int n = 0; n < 4000; ++n) {
            const QString line = randomLine(random);
            const QList<EmoticonPiece> pieces = replaceEmoticons(line);
            if (render(pieces) != render(referencePass(line)) || pieces != referencePass(line))
                QFAIL(qPrintable(QStringLiteral("line %1: \"%2\" gives \"%3\", the plain rule \"%4\"")
                                     .arg(n)
                                     .arg(line, render(pieces), render(referencePass(line)))));
        }
    }

    void longPackedLine()
    {
        // Tens of thousands of pictures in one line: the same as the rule,
        // piece for piece.
        QString line;
        for (int i = 0; i < kIconCount; ++i)
            for (const QString &code : tagCodes(iconTag(i)))
                line += code;
        line = line.repeated(60);
        QCOMPARE(replaceEmoticons(line), referencePass(line));
    }

    void everyPaletteCodeShowsAPicture_data()
    {
        QTest::addColumn<int>("n");
        for (int n = 1; n <= kPaletteCount; ++n)
            QTest::newRow(qPrintable(paletteText(n))) << n;
    }
    void everyPaletteCodeShowsAPicture()
    {
        QFETCH(int, n);
        const QString text = paletteText(n);
        QVERIFY(text.startsWith(u' '));
        QCOMPARE(text.endsWith(u' '), n != 14);
        bool picture = false;
        for (const EmoticonPiece &p : replaceEmoticons(text))
            picture = picture || p.icon >= 0;
        QVERIFY(picture);
    }

    void tagsSplitAtBlanks()
    {
        QCOMPARE(tagCodes(iconTag(22)), (QStringList{":Drink", "drink"}));
        QCOMPARE(tagCodes(iconTag(0)), QStringList{":)"});
        QCOMPARE(tagCodes(":a  :b"), (QStringList{":a", ":b"}));
    }

    void picturesAreDistinctAndSized()
    {
        const EmoticonArt art;
        QCOMPARE(art.drawnCount(), 0);
        const qint64 first = art.icon(5).cacheKey();
        QCOMPARE(art.icon(5).cacheKey(), first); // drawn once, then kept
        QCOMPARE(art.drawnCount(), 1);
        QSet<QString> glyphs;
        for (int i = 0; i < kIconCount; ++i) {
            QCOMPARE(art.icon(i).width(), EmoticonArt::kSize);
            QCOMPARE(art.icon(i).height(), EmoticonArt::kSize);
            glyphs.insert(EmoticonArt::glyph(i));
        }
        QCOMPARE(glyphs.size(), kIconCount);
        if (!art.fromFont())
            QSKIP("Noto Color Emoji is not installed: discs drawn instead");
        QVERIFY(art.icon(0) != art.icon(8));
    }
};

QTEST_MAIN(TestEmoticons)
#include "test_emoticons.moc"
