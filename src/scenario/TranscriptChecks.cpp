#include "scenario/TranscriptChecks.h"

#include <algorithm>

namespace gavelry::scenario {

namespace {

/// Up to this many waiting texts are looked for one by one; more go into
/// the automaton.
constexpr qsizetype kFewTexts = 8;
/// Lines wait for checking until they hold this many characters, or as many
/// as the waiting texts together, so that building the automaton never
/// costs more than the reading it saves.
constexpr qsizetype kBatchChars = 1 << 16;

quint64 trigram(const QString &text, qsizetype at)
{
    return quint64(text[at].unicode()) << 32 | quint64(text[at + 1].unicode()) << 16 | text[at + 2].unicode();
}

} // namespace

void TranscriptChecks::add(const QString &line)
{
    const qint64 index = m_written++;
    m_sinceMark.append(line);
    if (m_lastWithTrigram)
        indexTrigrams(line, index);
    if (m_waitingCount == 0)
        return; // no text is forbidden yet, or every one has been seen
    if (m_unchecked.isEmpty())
        m_uncheckedFrom = index;
    m_unchecked.append(line);
    m_uncheckedChars += line.size();
    if (m_uncheckedChars >= std::max(kBatchChars, m_waitingChars))
        checkWaitingLines();
}

bool TranscriptChecks::expect(const QString &text)
{
    qint64 from = m_mark;
    if (const auto known = m_absentBefore.constFind(text); known != m_absentBefore.cend())
        from = std::max(from, *known);
    if (mayHold(text, from)) {
        for (qint64 i = from; i < m_written; ++i) {
            if (m_sinceMark.at(i - m_mark).contains(text)) {
                m_sinceMark.remove(0, i - m_mark + 1);
                m_mark = i + 1;
                m_absentBefore.remove(text);
                return true;
            }
        }
    }
    m_absentBefore.insert(text, m_written);
    if (!m_lastWithTrigram) {
        m_lastWithTrigram.emplace();
        for (qint64 i = m_mark; i < m_written; ++i)
            indexTrigrams(m_sinceMark.at(i - m_mark), i);
    }
    return false;
}

/// False when some three characters of text are in no line from from on,
/// so neither is text.
bool TranscriptChecks::mayHold(const QString &text, qint64 from) const
{
    if (!m_lastWithTrigram)
        return true;
    for (qsizetype i = 0; i + 3 <= text.size(); ++i) {
        const auto last = m_lastWithTrigram->constFind(trigram(text, i));
        if (last == m_lastWithTrigram->cend() || *last < from)
            return false;
    }
    return true;
}

void TranscriptChecks::indexTrigrams(const QString &line, qint64 index)
{
    for (qsizetype i = 0; i + 3 <= line.size(); ++i)
        m_lastWithTrigram->insert(trigram(line, i), index);
}

void TranscriptChecks::forbid(const QString &text, int statementLine)
{
    const int at = int(m_forbidden.size());
    m_forbidden.append({{text, statementLine, {}}, m_written, false});
    auto found = m_groupOf.constFind(text);
    if (found == m_groupOf.cend()) {
        found = m_groupOf.insert(text, int(m_groups.size()));
        m_groups.append({text, {}, 0});
    }
    Group &group = m_groups[*found];
    if (!group.waiting()) {
        m_waiting.append(*found);
        ++m_waitingCount;
        m_waitingChars += text.size();
        m_automatonStale = true;
    }
    group.forbidden.append(at);
}

QList<TranscriptChecks::Breach> TranscriptChecks::breaches()
{
    checkWaitingLines();
    QList<Breach> found;
    for (const Forbidden &f : std::as_const(m_forbidden))
        if (f.seen)
            found.append(f.breach);
    return found;
}

void TranscriptChecks::checkWaitingLines()
{
    if (m_unchecked.isEmpty())
        return;
    const bool many = m_waiting.size() > kFewTexts;
    if (many && m_automatonStale)
        buildAutomaton();
    for (qsizetype k = 0; k < m_unchecked.size() && m_waitingCount > 0; ++k) {
        const qint64 index = m_uncheckedFrom + k;
        const QString &line = m_unchecked.at(k);
        if (many) {
            if (m_emptyGroup >= 0)
                seenIn(m_emptyGroup, index, line);
            scan(line, index, [&](int group) { seenIn(group, index, line); });
        } else {
            for (const int group : std::as_const(m_waiting))
                if (m_groups.at(group).waiting() && line.contains(m_groups.at(group).text))
                    seenIn(group, index, line);
        }
    }
    m_unchecked.clear();
    m_uncheckedChars = 0;
    m_waiting.removeIf([this](int group) { return !m_groups.at(group).waiting(); });
}

/// line, number index, holds the text of group: it breaches every statement
/// of that text before it.
void TranscriptChecks::seenIn(int group, qint64 index, const QString &line)
{
    Group &g = m_groups[group];
    if (!g.waiting())
        return; // all seen earlier in this batch
    while (g.waiting() && m_forbidden.at(g.forbidden.at(g.next)).from <= index) {
        Forbidden &f = m_forbidden[g.forbidden.at(g.next++)];
        f.seen = true;
        f.breach.seen = line;
    }
    if (!g.waiting()) { // off the list when the batch is done
        --m_waitingCount;
        m_waitingChars -= g.text.size();
        m_automatonStale = true;
    }
}

int TranscriptChecks::child(int node, char16_t c) const
{
    return m_edges.value(quint64(node) << 16 | c, -1);
}

void TranscriptChecks::buildAutomaton()
{
    m_nodes.clear();
    m_edges.clear();
    m_nodes.append(Node{});
    m_emptyGroup = -1;
    for (const int group : std::as_const(m_waiting)) {
        const QString &text = m_groups.at(group).text;
        if (text.isEmpty()) {
            m_emptyGroup = group; // in every line
            continue;
        }
        int node = 0;
        for (const QChar c : text) {
            int next = child(node, c.unicode());
            if (next < 0) {
                next = int(m_nodes.size());
                Node n;
                n.ch = c.unicode();
                n.nextSibling = m_nodes[node].firstChild;
                m_nodes.append(n);
                m_nodes[node].firstChild = next;
                m_edges.insert(quint64(node) << 16 | c.unicode(), next);
            }
            node = next;
        }
        m_nodes[node].group = group;
    }
    // Breadth first, so that every fail link points at a node already done.
    QList<int> order{0};
    for (qsizetype k = 0; k < order.size(); ++k) {
        const int node = order.at(k);
        for (int c = m_nodes.at(node).firstChild; c >= 0; c = m_nodes.at(c).nextSibling) {
            order.append(c);
            if (node == 0)
                continue; // a first character fails back to the root
            // The longest proper suffix of c's text that starts a text.
            const char16_t ch = m_nodes.at(c).ch;
            int f = m_nodes.at(node).fail;
            int to = child(f, ch);
            while (to < 0 && f != 0) {
                f = m_nodes.at(f).fail;
                to = child(f, ch);
            }
            Node &n = m_nodes[c];
            n.fail = std::max(to, 0);
            const Node &down = m_nodes.at(n.fail);
            n.dict = down.group >= 0 ? n.fail : down.dict;
        }
    }
    m_automatonStale = false;
}

template<typename Report>
void TranscriptChecks::scan(const QString &line, qint64 index, Report report)
{
    int state = 0;
    for (const QChar qc : line) {
        const char16_t c = qc.unicode();
        int next = child(state, c);
        while (next < 0 && state != 0) {
            state = m_nodes.at(state).fail;
            next = child(state, c);
        }
        state = std::max(next, 0);
        // Every text that ends here, each once a line: a node reported
        // before in this line had the rest of its chain reported with it.
        int v = m_nodes.at(state).group >= 0 ? state : m_nodes.at(state).dict;
        while (v >= 0 && m_nodes.at(v).stamp != index) {
            m_nodes[v].stamp = index;
            report(m_nodes.at(v).group);
            v = m_nodes.at(v).dict;
        }
    }
}

} // namespace gavelry::scenario
