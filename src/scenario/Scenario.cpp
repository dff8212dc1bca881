#include "scenario/Scenario.h"

#include "scenario/Statements.h"

#include <QRegularExpression>

namespace gavelry::scenario {

namespace {

struct Token {
    QString text;
    bool quoted = false;
};

/// Splits one line into bare words and double-quoted strings.
std::optional<QList<Token>> tokenize(const QString &line, QString &error)
{
    QList<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        Token t;
        if (line[i] == u'"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = line[i++];
                if (c == u'"') {
                    closed = true;
                    break;
                }
                if (c != u'\\') {
                    t.text += c;
                    continue;
                }
                if (i >= n)
                    break;
                const QChar e = line[i++];
                switch (e.unicode()) {
                case '"': t.text += u'"'; break;
                case '\\': t.text += u'\\'; break;
                case 'r': t.text += u'\r'; break;
                case 'n': t.text += u'\n'; break;
                case 't': t.text += u'\t'; break;
                default:
                    error = QStringLiteral("unknown escape \\%1 in a string (use \\\" \\\\ \\r \\n \\t)").arg(e);
                    return std::nullopt;
                }
            }
            if (!closed) {
                error = QStringLiteral("unterminated string");
                return std::nullopt;
            }
            if (i < n && !line[i].isSpace()) {
                error = QStringLiteral("a blank must follow the closing quote");
                return std::nullopt;
            }
        } else {
            while (i < n && !line[i].isSpace()) {
                if (line[i] == u'"') {
                    error = QStringLiteral("a quote inside the word '%1'").arg(t.text);
                    return std::nullopt;
                }
                t.text += line[i++];
            }
        }
        tokens.append(t);
    }
    return tokens;
}

/// The literal keywords of a usage text, in order ("admin", "sysop").
QStringList keywordsOf(const StatementKind &kind)
{
    static const QRegularExpression word(QStringLiteral("^[a-z]+$"));
    QStringList words = QString::fromLatin1(kind.usage).remove(u'[').remove(u']').split(u' ');
    words.removeFirst();
    QStringList keywords;
    for (const QString &w : words)
        if (word.match(w).hasMatch())
            keywords.append(w);
    return keywords;
}

std::optional<qint64> parseClockTime(const QString &text)
{
    static const QRegularExpression hms(QStringLiteral("^(\\d{1,3}):([0-5]\\d):([0-5]\\d)$"));
    const QRegularExpressionMatch m = hms.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return ((m.captured(1).toLongLong() * 60 + m.captured(2).toLongLong()) * 60 + m.captured(3).toLongLong()) * 1000;
}

/// Parses one statement's arguments by its pattern.
class StatementParser {
public:
    StatementParser(const StatementKind &kind, const QList<Token> &tokens, Statement &st)
        : m_kind(kind), m_tokens(tokens), m_st(st)
    {
    }

    bool run(QString &error)
    {
        // An optional tail in brackets is there whole or not at all.
        QString shape = QString::fromLatin1(m_kind.pattern);
        const qsizetype required = shape.contains(u'[') ? shape.indexOf(u'[') : shape.size();
        shape.remove(u'[').remove(u']');
        const qsizetype given = m_tokens.size() - 1;
        if (given != required && given != shape.size())
            return expected(error);
        const QStringList keywords = keywordsOf(m_kind);
        int keyword = 0;
        for (qsizetype i = 0; i < given; ++i) {
            const Token &t = m_tokens[i + 1];
            const QChar kind = shape[i];
            if (kind == u'k') {
                if (t.quoted || t.text != keywords.value(keyword++))
                    return expected(error);
                continue;
            }
            if (kind != u'S' && t.quoted) {
                if (i >= required) // a quoted word does not fit the tail
                    return expected(error);
                error = QStringLiteral("'%1' must not be quoted (expected: %2)").arg(t.text, QString::fromLatin1(m_kind.usage));
                return false;
            }
            if (!argument(kind, t.text, error))
                return false;
        }
        return true;
    }

private:
    bool expected(QString &error) const
    {
        error = QStringLiteral("expected: %1").arg(QString::fromLatin1(m_kind.usage));
        return false;
    }

    bool argument(QChar kind, const QString &text, QString &error)
    {
        switch (kind.unicode()) {
        case 'S':
        case 'W':
            m_st.args.append(text);
            return true;
        case 'D': {
            const std::optional<qint64> ms = parseDuration(text);
            if (!ms) {
                error = QStringLiteral("bad duration '%1' (use 10ms, 1s, 5m, 2h or HH:MM:SS)").arg(text);
                return false;
            }
            m_st.ms = *ms;
            return true;
        }
        case 'T': {
            const std::optional<qint64> ms = parseClockTime(text);
            if (!ms) {
                error = QStringLiteral("bad time '%1' (use HH:MM:SS since the start)").arg(text);
                return false;
            }
            m_st.ms = *ms;
            return true;
        }
        case 'C': {
            const std::optional<ControlName> name = parseControlName(text, error);
            if (!name)
                return false;
            m_st.control = *name;
            return true;
        }
        case 'F':
            if (!windowNames().contains(text)) {
                error = QStringLiteral("unknown window '%1' (windows: %2)").arg(text, windowNames().join(QStringLiteral(", ")));
                return false;
            }
            m_st.control.form = text;
            return true;
        }
        return false;
    }

    const StatementKind &m_kind;
    const QList<Token> &m_tokens;
    Statement &m_st;
};

} // namespace

const QStringList &windowNames()
{
    static const QStringList names{QStringLiteral("Form6"),   QStringLiteral("Messages"), QStringLiteral("Form321"),
                                   QStringLiteral("Form116"), QStringLiteral("Form14"),   QStringLiteral("Form99")};
    return names;
}

const QStringList &propertyNames()
{
    static const QStringList names{QStringLiteral("Text"),    QStringLiteral("Caption"),     QStringLiteral("Value"),
                                   QStringLiteral("BackColor"), QStringLiteral("ForeColor"), QStringLiteral("Enabled"),
                                   QStringLiteral("Visible"), QStringLiteral("ToolTipText"), QStringLiteral("Left"),
                                   QStringLiteral("Top"),     QStringLiteral("Width"),       QStringLiteral("Height")};
    return names;
}

QString Statement::keyword() const
{
    return kind ? QString::fromLatin1(kind->keyword) : QString();
}

QString ControlName::objectName() const
{
    return index >= 0 ? control + u'_' + QString::number(index) : control;
}

QString ControlName::text() const
{
    QString t = form;
    if (!control.isEmpty())
        t += u'.' + control + (index >= 0 ? QStringLiteral("(%1)").arg(index) : QString());
    if (!property.isEmpty())
        t += u'.' + property;
    return t;
}

std::optional<qint64> parseDuration(const QString &text)
{
    static const QRegularExpression unit(QStringLiteral("^(\\d{1,9})(ms|s|m|h)$"));
    const QRegularExpressionMatch m = unit.match(text);
    if (!m.hasMatch())
        return parseClockTime(text);
    const qint64 n = m.captured(1).toLongLong();
    const QString u = m.captured(2);
    if (u == QLatin1String("ms"))
        return n;
    if (u == QLatin1String("s"))
        return n * 1000;
    if (u == QLatin1String("m"))
        return n * 60 * 1000;
    return n * 3600 * 1000;
}

std::optional<ControlName> parseControlName(const QString &text, QString &error)
{
    static const QRegularExpression shape(
        QStringLiteral("^([A-Za-z][A-Za-z0-9_]*)(?:\\.([A-Za-z][A-Za-z0-9_]*)(?:\\((\\d{1,4})\\))?)?(?:\\.([A-Za-z]+))?$"));
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch()) {
        error = QStringLiteral("bad control name '%1' (use Form.Control, Form.Control(N) or Form.Control.Property)").arg(text);
        return std::nullopt;
    }
    ControlName name;
    name.form = m.captured(1);
    name.control = m.captured(2);
    name.index = m.captured(3).isEmpty() ? -1 : m.captured(3).toInt();
    name.property = m.captured(4);
    if (!windowNames().contains(name.form)) {
        error = QStringLiteral("unknown window '%1' (windows: %2)").arg(name.form, windowNames().join(QStringLiteral(", ")));
        return std::nullopt;
    }
    if (!name.property.isEmpty() && !propertyNames().contains(name.property)) {
        error = QStringLiteral("unknown property '%1' (properties: %2)").arg(name.property, propertyNames().join(QStringLiteral(", ")));
        return std::nullopt;
    }
    if (name.property.isEmpty() && name.index < 0 && propertyNames().contains(name.control))
        name.ambiguous = true;
    return name;
}

std::optional<Script> parse(const QString &text, ParseError &error)
{
    Script script;
    FileContext ctx{script};
    // Editors on Windows start a UTF-8 file with a byte-order mark.
    const QStringList lines = (text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text).split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        error.line = i + 1;
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        const std::optional<QList<Token>> tokens = tokenize(line, error.what);
        if (!tokens)
            return std::nullopt;
        const Token &keyword = tokens->first();
        const StatementKind *kind = keyword.quoted ? nullptr : findStatement(keyword.text);
        if (!kind) {
            error.what = QStringLiteral("unknown statement '%1'").arg(keyword.text);
            return std::nullopt;
        }
        if (kind->phase == Phase::BeforeStart && ctx.started) {
            error.what = QStringLiteral("%1 must come before start").arg(keyword.text);
            return std::nullopt;
        }
        if (kind->phase == Phase::Started && !ctx.started) {
            error.what = QStringLiteral("%1 needs the program started: put it after start").arg(keyword.text);
            return std::nullopt;
        }
        Statement st;
        st.kind = kind;
        st.line = i + 1;
        if (!StatementParser(*kind, *tokens, st).run(error.what))
            return std::nullopt;
        if (kind->checkFile && !kind->checkFile(st, ctx, error.what))
            return std::nullopt;
        script.statements.append(st);
    }
    error = {};
    return script;
}

QString quote(const QString &text)
{
    QString q;
    q.reserve(text.size() + 2);
    q += u'"';
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': q += QStringLiteral("\\\""); break;
        case '\\': q += QStringLiteral("\\\\"); break;
        case '\r': q += QStringLiteral("\\r"); break;
        case '\n': q += QStringLiteral("\\n"); break;
        case '\t': q += QStringLiteral("\\t"); break;
        default: q += c;
        }
    }
    q += u'"';
    return q;
}

QString timeStamp(qint64 ms)
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace gavelry::scenario
