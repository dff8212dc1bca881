// The expect and expect-no checks held against a transcript: each row runs a
// sequence of lines and statements through them and through the plain way
// (every line read against every text), and the two must agree on every
// expect and on every breach with the line that caused it.

#include "scenario/TranscriptChecks.h"

#include <QRandomGenerator>
#include <QTest>

using namespace gavelry::scenario;

namespace {

/// The plain way: what the checks must answer.
class Reference {
public:
    void add(const QString &line)
    {
        m_sinceMark.append(line);
        for (Forbidden &f : m_forbidden)
            if (!f.seen && line.contains(f.breach.text)) {
                f.breach.seen = line;
                f.seen = true;
            }
    }
    bool expect(const QString &text)
    {
        for (qsizetype i = 0; i < m_sinceMark.size(); ++i)
            if (m_sinceMark.at(i).contains(text)) {
                m_sinceMark.remove(0, i + 1);
                return true;
            }
        return false;
    }
    void forbid(const QString &text, int line) { m_forbidden.append({{text, line, {}}, false}); }
    QList<TranscriptChecks::Breach> breaches() const
    {
        QList<TranscriptChecks::Breach> found;
        for (const Forbidden &f : m_forbidden)
            if (f.seen)
                found.append(f.breach);
        return found;
    }

private:
    struct Forbidden {
        TranscriptChecks::Breach breach;
        bool seen = false;
    };
    QStringList m_sinceMark;
    QList<Forbidden> m_forbidden;
};

/// One step of a run, written as "L text" (a line), "E text" (expect) or
/// "N text" (expect-no).
using Steps = QStringList;

QString render(const TranscriptChecks::Breach &b)
{
    return QStringLiteral("%1 @%2: %3").arg(b.text, QString::number(b.statementLine), b.seen);
}

QStringList render(const QList<TranscriptChecks::Breach> &breaches)
{
    QStringList out;
    for (const TranscriptChecks::Breach &b : breaches)
        out.append(render(b));
    return out;
}

/// A random run over a small alphabet, so that texts often are and often
/// are not in the lines.
Steps randomSteps(quint32 seed, int count, int forbidWeight, int textLength)
{
    QRandomGenerator random(seed);
    const auto word = [&](int shortest, int longest) {
        QString w;
        const int length = shortest + int(random.bounded(longest - shortest + 1));
        for (int i = 0; i < length; ++i)
            w += QChar(u'a' + random.bounded(4));
        return w;
    };
    Steps steps;
    for (int i = 0; i < count; ++i) {
        const quint32 kind = random.bounded(10);
        if (kind < 5)
            steps.append(QStringLiteral("L ") + word(1, 24));
        else if (kind < 5 + quint32(forbidWeight))
            steps.append(QStringLiteral("N ") + word(0, textLength));
        else
            steps.append(QStringLiteral("E ") + word(0, textLength));
    }
    return steps;
}

} // namespace

class TestTranscriptChecks : public QObject {
    Q_OBJECT

private slots:
    void agreesWithReadingEveryLine_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::newRow("a match moves the mark past its line")
            << Steps{"L 00 send \"a\"", "L 00 send \"a\"", "E send", "E send", "E send", "L 01 send \"b\"", "E send"};
        QTest::newRow("a miss leaves the mark")
            << Steps{"L one", "L two", "E three", "E two", "E one", "L three", "E three", "E one"};
        QTest::newRow("the same miss asked again sees new lines")
            << Steps{"L x", "E yes", "E yes", "L a yes", "E yes", "E yes", "L yes", "L yes", "E yes", "E yes"};
        QTest::newRow("a miss asked first with short texts")
            << Steps{"L abc", "E zz", "E b", "L zz", "E zz", "E abc", "L abcab", "E bca", "E cab"};
        QTest::newRow("empty texts") << Steps{"E ", "L a", "N ", "E ", "E ", "L b", "E "};
        QTest::newRow("forbidden from its own line on")
            << Steps{"L bad", "N bad", "L good", "N good", "L bad and good", "L bad"};
        QTest::newRow("one text forbidden twice") << Steps{"N x", "L 1", "L 2 x", "N x", "L 3", "L 4 x", "N x"};
        QTest::newRow("twins of a text seen by one line")
            << Steps{"N ab", "N ab", "L z", "N b", "N ab", "L ab"};
        QTest::newRow("texts inside one another")
            << Steps{"N abc", "N bc", "N c", "N abcd", "N bcd", "N d", "N xabc", "N cd", "N abcdx", "N b", "L xabcd"};
        QTest::newRow("a text across two lines is none") << Steps{"N ab", "N ", "L a", "L b", "E ab"};
        QTest::newRow("random, few forbidden texts") << randomSteps(1, 400, 1, 3);
        QTest::newRow("random, many forbidden texts") << randomSteps(2, 3000, 4, 4);
        QTest::newRow("random, many short texts") << randomSteps(3, 3000, 3, 2);
        QTest::newRow("random, long texts") << randomSteps(4, 3000, 2, 8);
        QTest::newRow("random, mostly expects") << randomSteps(5, 3000, 0, 5);
        // Lines enough to be checked in several batches while texts come and go.
        QTest::newRow("random, long run") << randomSteps(6, 40000, 2, 4);
    }
    void agreesWithReadingEveryLine()
    {
        QFETCH(Steps, steps);
        TranscriptChecks checks;
        Reference reference;
        for (int i = 0; i < steps.size(); ++i) {
            const QString text = steps.at(i).mid(2);
            switch (steps.at(i).front().unicode()) {
            case 'L':
                checks.add(text);
                reference.add(text);
                break;
            case 'E':
                QVERIFY2(checks.expect(text) == reference.expect(text),
                         qPrintable(QStringLiteral("step %1: expect \"%2\"").arg(i).arg(text)));
                break;
            case 'N':
                checks.forbid(text, i);
                reference.forbid(text, i);
                break;
            }
        }
        QCOMPARE(render(checks.breaches()), render(reference.breaches()));
    }
};

QTEST_GUILESS_MAIN(TestTranscriptChecks)
#include "test_transcript_checks.moc"
