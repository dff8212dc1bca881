#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace gavelry::scenario {

/// What the expect and expect-no statements of a run hold against its
/// transcript, line by line as the lines are written.
///
/// A run of many of them stays linear in its statements: an expect reads
/// only the lines after the one the last match found, and of those only the
/// ones that came since it last missed the same text; a miss is mostly
/// answered without reading lines, from the last line holding each
/// three-character piece of the text. The texts that must not appear are
/// looked for all at once, a batch of lines at a time.
class TranscriptChecks {
public:
    /// The next line of the transcript.
    void add(const QString &line);

    /// Whether a line after the one the previous expect matched contains
    /// text. A match moves the mark to that line, so two lines written in the
    /// same tick can be expected one after the other; a miss leaves the mark
    /// where it was.
    bool expect(const QString &text);

    /// From now on no line may contain text; statementLine names the
    /// statement that said so.
    void forbid(const QString &text, int statementLine);

    struct Breach {
        QString text;
        int statementLine = 0;
        QString seen; ///< the first line after the statement holding text
    };
    /// The forbidden texts that appeared, in the order of their statements.
    QList<Breach> breaches();

private:
    struct Forbidden {
        Breach breach;
        qint64 from = 0; ///< the first line it counts for
        bool seen = false;
    };
    /// The statements that forbid one text, in their order; those before
    /// next have been seen.
    struct Group {
        QString text;
        QList<int> forbidden;
        qsizetype next = 0;
        bool waiting() const { return next < forbidden.size(); }
    };
    /// A node of the automaton that finds every waiting text in a line in
    /// one pass (Aho-Corasick).
    struct Node {
        char16_t ch = 0; ///< on the edge from its parent
        int firstChild = -1;
        int nextSibling = -1;
        int fail = 0;
        int group = -1; ///< the group whose text ends here
        int dict = -1;  ///< the nearest node down the fail links where a text ends
        qint64 stamp = -1; ///< the line it was last reported for
    };

    bool mayHold(const QString &text, qint64 from) const;
    void indexTrigrams(const QString &line, qint64 index);

    void checkWaitingLines();
    void seenIn(int group, qint64 index, const QString &line);
    void buildAutomaton();
    int child(int node, char16_t c) const;
    template<typename Report>
    void scan(const QString &line, qint64 index, Report report);

    qint64 m_written = 0;

    // expect
    QStringList m_sinceMark;
    qint64 m_mark = 0;
    QHash<QString, qint64> m_absentBefore; ///< text: no line from the mark it was asked at to this one holds it
    /// Each three-character piece of text seen: the last line holding it. Kept
    /// from the first miss on, it answers most misses without reading lines.
    std::optional<QHash<quint64, qint64>> m_lastWithTrigram;

    // expect-no
    QList<Forbidden> m_forbidden;
    QList<Group> m_groups;
    QHash<QString, int> m_groupOf;
    QList<int> m_waiting;           ///< the groups with a statement not seen yet (and, in a batch, some just seen)
    qsizetype m_waitingCount = 0;
    qsizetype m_waitingChars = 0;   ///< the length of their texts together
    QStringList m_unchecked;        ///< lines not yet held against the waiting texts
    qint64 m_uncheckedFrom = 0;
    qsizetype m_uncheckedChars = 0;
    QList<Node> m_nodes;
    QHash<quint64, int> m_edges;
    int m_emptyGroup = -1;
    bool m_automatonStale = true;
};

} // namespace gavelry::scenario
