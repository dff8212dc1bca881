#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

/// Scenario files: the statements that drive a whole run of the program on
/// virtual time, and the text forms the transcript shares with them.
namespace gavelry::scenario {

/// The windows a scenario may name.
const QStringList &windowNames();
/// The control properties a scenario may name, as they are spelt.
const QStringList &propertyNames();

/// "Form.Control[(N)][.Property]" or "Form[.Property]" as written.
struct ControlName {
    QString form;
    QString control; ///< empty: the window itself
    int index = -1;  ///< member of a control array
    QString property;
    /// Two parts whose second is a property name: a control of that name or
    /// the window's own property (decided once the windows exist).
    bool ambiguous = false;

    /// The widget's objectName: "imgIcon(7)" is "imgIcon_7".
    QString objectName() const;
    /// As it appears in the transcript.
    QString text() const;
};

struct StatementKind;

struct Statement {
    const StatementKind *kind = nullptr; ///< its row of the statement table (Statements.h)
    int line = 0;
    QStringList args; ///< the words and strings after the keyword, keywords of the syntax left out
    ControlName control;
    qint64 ms = 0;    ///< wait, at, link-delay, restart (time spent down)
    qint64 number = 0; ///< seed, check value, shell result
    int width = 0, height = 0; ///< resize, twips
    bool flag = false; ///< rx on
    QDateTime clock;

    /// The keyword the statement begins with ("wait").
    QString keyword() const;
};

struct Script {
    QList<Statement> statements;
    QDateTime clock{QDate(2026, 1, 5), QTime(12, 0, 0)};
    QString local = QStringLiteral("N0CALL-L");
};

struct ParseError {
    int line = 0;
    QString what;
};

/// The longest virtual time a run may cover from its start, waits, times
/// spent down by restarts and at statements all counted: 400 days, more than
/// a year of the weekly schedules. A statement that would take the run past
/// it is an error of the file, so every run ends.
inline constexpr qint64 kLongestRunMs = 400LL * 24 * 3600 * 1000;
/// The longest link delay a simulated conference may have: a day.
inline constexpr qint64 kLongestLinkDelayMs = 24LL * 3600 * 1000;

/// Parses a whole scenario; the first error stops it. Checks everything that
/// can be checked without the windows: the syntax, the phases, the times, the
/// conferences and stations declared, the window and property names.
std::optional<Script> parse(const QString &text, ParseError &error);

/// "10ms", "1s", "5m", "2h" or "HH:MM:SS" in milliseconds.
std::optional<qint64> parseDuration(const QString &text);
/// A control name as written; nullopt with why in error.
std::optional<ControlName> parseControlName(const QString &text, QString &error);

/// Quotes a string for the transcript: \" \\ \r \n \t escaped.
QString quote(const QString &text);
/// "HH:MM:SS.mmm" of a time since the start (hours go past 24).
QString timeStamp(qint64 ms);

} // namespace gavelry::scenario
