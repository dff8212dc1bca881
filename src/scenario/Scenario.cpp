#include "scenario/Scenario.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

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

enum class Phase { BeforeStart, Any, Started };

struct Syntax {
    Op op;
    Phase phase;
    /// The arguments: W word, S string (quoted or a bare word), C control
    /// name, F window, D duration, T time HH:MM:SS, lowercase letters a
    /// literal keyword taken from usage.
    const char *pattern;
    const char *usage;
};

const QHash<QString, Syntax> &syntaxTable()
{
    static const QHash<QString, Syntax> table{
        {QStringLiteral("ini"), {Op::Ini, Phase::BeforeStart, "WWS", "ini FILE KEY \"VALUE\""}},
        {QStringLiteral("clock"), {Op::Clock, Phase::BeforeStart, "WW", "clock YYYY-MM-DD HH:MM:SS"}},
        {QStringLiteral("local"), {Op::Local, Phase::BeforeStart, "S", "local CALL"}},
        {QStringLiteral("conference"),
         {Op::Conference, Phase::BeforeStart, "SkSkS", "conference \"CALL\" admin \"PW\" sysop \"PW\""}},
        {QStringLiteral("member"), {Op::Member, Phase::BeforeStart, "SkS", "member \"CALL\" in \"CONF\""}},
        {QStringLiteral("link-delay"), {Op::LinkDelay, Phase::BeforeStart, "D", "link-delay DURATION"}},
        {QStringLiteral("simulate"), {Op::Simulate, Phase::BeforeStart, "SkW", "simulate \"CONF\" seed N"}},
        {QStringLiteral("start"), {Op::Start, Phase::Any, "", "start"}},
        {QStringLiteral("wait"), {Op::Wait, Phase::Any, "D", "wait DURATION"}},
        {QStringLiteral("at"), {Op::At, Phase::Any, "T", "at HH:MM:SS"}},
        {QStringLiteral("linked"), {Op::Linked, Phase::Any, "S", "linked \"CALL\""}},
        {QStringLiteral("unlinked"), {Op::Unlinked, Phase::Started, "S", "unlinked \"CALL\""}},
        {QStringLiteral("rx"), {Op::Rx, Phase::Started, "W", "rx on|off"}},
        {QStringLiteral("station-text"), {Op::StationText, Phase::Started, "S", "station-text \"TEXT\""}},
        {QStringLiteral("chat"), {Op::Chat, Phase::Started, "S", "chat \"LINE\""}},
        {QStringLiteral("dtmf"), {Op::Dtmf, Phase::Started, "S", "dtmf \"DIGITS\""}},
        {QStringLiteral("connected"),
         {Op::Connected, Phase::Started, "SSS", "connected \"CALL\" \"NAME\" \"ADDR\""}},
        {QStringLiteral("closing"), {Op::Closing, Phase::Started, "", "closing"}},
        {QStringLiteral("restart"), {Op::Restart, Phase::Started, "", "restart [after DURATION]"}},
        {QStringLiteral("key"), {Op::Key, Phase::Any, "S", "key CALL"}},
        {QStringLiteral("unkey"), {Op::Unkey, Phase::Any, "S", "unkey CALL"}},
        {QStringLiteral("say"), {Op::Say, Phase::Any, "SS", "say CALL \"TEXT\""}},
        {QStringLiteral("click"), {Op::Click, Phase::Started, "C", "click Form.Control"}},
        {QStringLiteral("set"), {Op::Set, Phase::Started, "CS", "set Form.Control \"TEXT\""}},
        {QStringLiteral("type"), {Op::Type, Phase::Started, "CS", "type Form.Control \"TEXT\""}},
        {QStringLiteral("check"), {Op::Check, Phase::Started, "CW", "check Form.Control 0|1"}},
        {QStringLiteral("answer"), {Op::Answer, Phase::Any, "S", "answer \"TEXT\""}},
        {QStringLiteral("reply"), {Op::Reply, Phase::Any, "W", "reply yes|no|ok"}},
        {QStringLiteral("close"), {Op::Close, Phase::Started, "F", "close Form"}},
        {QStringLiteral("show"), {Op::Show, Phase::Started, "C", "show Form.Control[.Property]"}},
        {QStringLiteral("resize"), {Op::Resize, Phase::Started, "FWW", "resize Form WIDTH HEIGHT"}},
        {QStringLiteral("shell-result"), {Op::ShellResult, Phase::Any, "W", "shell-result N"}},
        {QStringLiteral("show-file"), {Op::ShowFile, Phase::Any, "W", "show-file FILE"}},
        {QStringLiteral("expect"), {Op::Expect, Phase::Any, "S", "expect \"TEXT\""}},
        {QStringLiteral("expect-no"), {Op::ExpectNo, Phase::Any, "S", "expect-no \"TEXT\""}},
        {QStringLiteral("end"), {Op::End, Phase::Any, "", "end"}},
    };
    return table;
}

/// The literal keywords of a usage text, in order ("admin", "sysop").
QStringList keywordsOf(const Syntax &s)
{
    static const QRegularExpression word(QStringLiteral("^[a-z]+$"));
    QStringList words = QString::fromLatin1(s.usage).split(u' ');
    words.removeFirst();
    QStringList keywords;
    for (const QString &w : words)
        if (word.match(w).hasMatch())
            keywords.append(w);
    return keywords;
}

/// A configuration file name: a bare name that stays inside the folder.
bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != QLatin1String(".")
        && name != QLatin1String("..");
}

std::optional<qint64> parseClockTime(const QString &text)
{
    static const QRegularExpression hms(QStringLiteral("^(\\d{1,3}):([0-5]\\d):([0-5]\\d)$"));
    const QRegularExpressionMatch m = hms.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return ((m.captured(1).toLongLong() * 60 + m.captured(2).toLongLong()) * 60 + m.captured(3).toLongLong()) * 1000;
}

/// "HH:MM:SS", hours past 99 whole.
QString hms(qint64 ms) { return timeStamp(ms).chopped(4); }

constexpr qint64 kDayMs = 24LL * 3600 * 1000;

/// Parses one statement's arguments by its pattern.
class StatementParser {
public:
    StatementParser(const Syntax &syntax, const QList<Token> &tokens, Statement &st)
        : m_syntax(syntax), m_tokens(tokens), m_st(st)
    {
    }

    bool run(QString &error)
    {
        if (m_syntax.op == Op::Restart)
            return restart(error);
        const QString pattern = QString::fromLatin1(m_syntax.pattern);
        const QStringList keywords = keywordsOf(m_syntax);
        if (m_tokens.size() - 1 != pattern.size()) {
            error = QStringLiteral("expected: %1").arg(QString::fromLatin1(m_syntax.usage));
            return false;
        }
        int keyword = 0;
        for (int i = 0; i < pattern.size(); ++i) {
            const Token &t = m_tokens[i + 1];
            const QChar kind = pattern[i];
            if (kind == u'k') {
                if (t.quoted || t.text != keywords.value(keyword++)) {
                    error = QStringLiteral("expected: %1").arg(QString::fromLatin1(m_syntax.usage));
                    return false;
                }
                continue;
            }
            if (kind != u'S' && t.quoted) {
                error = QStringLiteral("'%1' must not be quoted (expected: %2)").arg(t.text, QString::fromLatin1(m_syntax.usage));
                return false;
            }
            if (!argument(kind, t.text, error))
                return false;
        }
        return true;
    }

private:
    /// "restart" alone, or "restart after DURATION".
    bool restart(QString &error)
    {
        if (m_tokens.size() == 1)
            return true;
        if (m_tokens.size() != 3 || m_tokens[1].quoted || m_tokens[1].text != QLatin1String("after")
            || m_tokens[2].quoted) {
            error = QStringLiteral("expected: %1").arg(QString::fromLatin1(m_syntax.usage));
            return false;
        }
        return argument(u'D', m_tokens[2].text, error);
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

    const Syntax &m_syntax;
    const QList<Token> &m_tokens;
    Statement &m_st;
};

/// What the file has declared so far, and where the run stands.
struct Context {
    bool started = false;
    qint64 time = 0;
    QSet<QString> conferences;
    QSet<QString> members;
    bool clockSet = false;
    bool localSet = false;
};

/// The checks between statements: phases, times, declarations, values.
bool checkStatement(Statement &st, Context &ctx, Script &script, QString &error)
{
    const auto upper = [&](int i) { return st.args.value(i).toUpper(); };
    switch (st.op) {
    case Op::Clock: {
        // Virtual time has no zone: any date and time of day is a valid
        // start, also one that a daylight-saving change skips locally.
        const QDateTime t(QDate::fromString(st.args[0], QStringLiteral("yyyy-MM-dd")),
                          QTime::fromString(st.args[1], QStringLiteral("HH:mm:ss")), Qt::UTC);
        if (!t.isValid()) {
            error = QStringLiteral("bad date and time '%1 %2' (use YYYY-MM-DD HH:MM:SS)").arg(st.args[0], st.args[1]);
            return false;
        }
        if (ctx.clockSet) {
            error = QStringLiteral("the clock is already set");
            return false;
        }
        ctx.clockSet = true;
        st.clock = t;
        script.clock = t;
        return true;
    }
    case Op::Local:
        if (st.args[0].trimmed().isEmpty()) {
            error = QStringLiteral("the local callsign is empty");
            return false;
        }
        if (ctx.localSet) {
            error = QStringLiteral("the local callsign is already set");
            return false;
        }
        ctx.localSet = true;
        script.local = st.args[0];
        return true;
    case Op::Ini:
    case Op::ShowFile:
        if (!isPlainFileName(st.args[0])) {
            error = QStringLiteral("'%1' is not a file name of the configuration folder").arg(st.args[0]);
            return false;
        }
        return true;
    case Op::Conference:
        if (upper(0).isEmpty() || ctx.conferences.contains(upper(0))) {
            error = upper(0).isEmpty() ? QStringLiteral("the conference callsign is empty")
                                       : QStringLiteral("conference \"%1\" is already declared").arg(st.args[0]);
            return false;
        }
        ctx.conferences.insert(upper(0));
        return true;
    case Op::Member:
        if (!ctx.conferences.contains(upper(1))) {
            error = QStringLiteral("no conference \"%1\" is declared").arg(st.args[1]);
            return false;
        }
        if (upper(0).isEmpty() || ctx.members.contains(upper(0))) {
            error = upper(0).isEmpty() ? QStringLiteral("the station callsign is empty")
                                       : QStringLiteral("station \"%1\" is already a member").arg(st.args[0]);
            return false;
        }
        ctx.members.insert(upper(0));
        return true;
    case Op::Simulate: {
        if (!ctx.conferences.contains(upper(0))) {
            error = QStringLiteral("no conference \"%1\" is declared").arg(st.args[0]);
            return false;
        }
        bool ok = false;
        st.number = st.args[1].toUInt(&ok);
        if (!ok) {
            error = QStringLiteral("bad seed '%1' (a whole number from 0 to 4294967295)").arg(st.args[1]);
            return false;
        }
        return true;
    }
    case Op::Key:
    case Op::Unkey:
    case Op::Say:
        if (!ctx.members.contains(upper(0))) {
            error = QStringLiteral("no station \"%1\" is declared (use member \"CALL\" in \"CONF\")").arg(st.args[0]);
            return false;
        }
        return true;
    case Op::Start:
        if (ctx.started) {
            error = QStringLiteral("the program is already started");
            return false;
        }
        ctx.started = true;
        return true;
    case Op::Wait:
    case Op::Restart:
        // Both within the cap, so the sum cannot overflow.
        if (st.ms > kLongestRunMs - ctx.time) {
            error = QStringLiteral("%1 would take the run past its longest, %2 virtual days")
                        .arg(st.op == Op::Wait ? QStringLiteral("this wait") : QStringLiteral("this restart"),
                             QString::number(kLongestRunMs / kDayMs));
            return false;
        }
        ctx.time += st.ms;
        return true;
    case Op::At:
        if (st.ms < ctx.time) {
            error = QStringLiteral("at %1 is earlier than the time already reached (%2)").arg(hms(st.ms), hms(ctx.time));
            return false;
        }
        // An at names at most 999:59:59, well inside the longest run.
        ctx.time = st.ms;
        return true;
    case Op::LinkDelay:
        if (st.ms > kLongestLinkDelayMs) {
            error = QStringLiteral("the link delay is longer than a day");
            return false;
        }
        return true;
    case Op::Rx:
        if (st.args[0] != QLatin1String("on") && st.args[0] != QLatin1String("off")) {
            error = QStringLiteral("rx takes on or off, not '%1'").arg(st.args[0]);
            return false;
        }
        st.flag = st.args[0] == QLatin1String("on");
        return true;
    case Op::Reply:
        if (st.args[0] != QLatin1String("yes") && st.args[0] != QLatin1String("no") && st.args[0] != QLatin1String("ok")) {
            error = QStringLiteral("reply takes yes, no or ok, not '%1'").arg(st.args[0]);
            return false;
        }
        return true;
    case Op::ShellResult: {
        bool ok = false;
        st.number = st.args[0].toInt(&ok);
        if (!ok) {
            error = QStringLiteral("bad result code '%1' (a whole number, above 32 for success)").arg(st.args[0]);
            return false;
        }
        return true;
    }
    case Op::Resize: {
        // Twips, as the window's own sizes are given; a window is at least a
        // pixel and at most what a screen could hold.
        bool okW = false, okH = false;
        st.width = st.args[0].toInt(&okW);
        st.height = st.args[1].toInt(&okH);
        if (!okW || !okH || st.width < 15 || st.height < 15 || st.width > 300000 || st.height > 300000) {
            error = QStringLiteral("bad size '%1 %2' (width and height in twips, 15 to 300000)").arg(st.args[0], st.args[1]);
            return false;
        }
        return true;
    }
    case Op::Check:
        if (st.args[0] != QLatin1String("0") && st.args[0] != QLatin1String("1") && st.args[0] != QLatin1String("2")) {
            error = QStringLiteral("check takes 0, 1 or 2, not '%1'").arg(st.args[0]);
            return false;
        }
        st.number = st.args[0].toInt();
        [[fallthrough]];
    case Op::Click:
    case Op::Set:
    case Op::Type:
        if (!st.control.property.isEmpty() && !st.control.ambiguous) {
            error = QStringLiteral("name a control without a property here, not '%1'").arg(st.control.text());
            return false;
        }
        if (st.control.control.isEmpty() && !st.control.ambiguous) {
            error = QStringLiteral("name a control of the window here, not the window '%1'").arg(st.control.form);
            return false;
        }
        return true;
    default:
        return true;
    }
}

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
    Context ctx;
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
        const auto found = syntaxTable().constFind(keyword.text);
        if (keyword.quoted || found == syntaxTable().cend()) {
            error.what = QStringLiteral("unknown statement '%1'").arg(keyword.text);
            return std::nullopt;
        }
        const Syntax &syntax = *found;
        if (syntax.phase == Phase::BeforeStart && ctx.started) {
            error.what = QStringLiteral("%1 must come before start").arg(keyword.text);
            return std::nullopt;
        }
        if (syntax.phase == Phase::Started && !ctx.started) {
            error.what = QStringLiteral("%1 needs the program started: put it after start").arg(keyword.text);
            return std::nullopt;
        }
        Statement st;
        st.op = syntax.op;
        st.line = i + 1;
        if (!StatementParser(syntax, *tokens, st).run(error.what))
            return std::nullopt;
        if (!checkStatement(st, ctx, script, error.what))
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
