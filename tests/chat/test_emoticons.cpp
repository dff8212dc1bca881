// The emoticon picture pass and the pictures themselves.

#include "Emoticons.h"

#include <QGuiApplication>
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
    }
    void pass()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(render(replaceEmoticons(text)), shown);
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
