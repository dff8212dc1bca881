#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QAbstractButton;
class QWidget;

namespace gavelry {

class Scheduler;

/// The cause a button gives: its caption as the operator reads it, and its name.
QString buttonCause(const QAbstractButton *button);

/// The moderation log: every sysop command and notice the program sends, and
/// every timed, scheduled or remote action, with the date and time, the
/// command, the station it concerns and what caused it. One line an event,
/// plain text, in a file rotated by size so that weeks of moderation never
/// fill a disk; each entry also goes to the log category gavelry.moderation,
/// which reaches standard error (and so journald) in headless runs.
///
/// Passwords never reach it: a log-on line is written ".admin ****".
///
/// Only a regular file is written: a link, a FIFO or a device in its place
/// is refused (and never opened so that it could block or act), and the
/// mode of a file the program did not make is left as it is. While the file
/// takes no entries (refused, disk full, a full file that cannot be moved
/// aside) they go to the log category instead, and the file is never let
/// grow past its bound.
class ModerationLog : public QObject {
    Q_OBJECT
public:
    /// The file's name in its folder, and how big it may grow before it is
    /// moved aside (to NAME.1, NAME.1 to NAME.2 ...; kKeep old files kept).
    static const QString kFileName;
    static constexpr qint64 kRotateBytes = 1024 * 1024;
    static constexpr int kKeep = 4;

    explicit ModerationLog(Scheduler &clock, QObject *parent = nullptr);
    ~ModerationLog() override;

    /// Keeps the log in folder (made when missing). False, with why in
    /// error, when it cannot be written there; the entries then go to the
    /// log category and the status line, and each later entry tries the
    /// file again.
    bool setFolder(const QString &folder, QString &error);
    /// Each entry also to the log category gavelry.moderation (standard
    /// error, journald): for runs without a window.
    void setEcho(bool echo) { m_echo = echo; }

    /// The log file's path, empty before a folder is given.
    QString path() const { return m_path; }

    /// A line the program sent to the conference: a dot-command or a notice
    /// is logged with the cause in force; ordinary chat is not.
    ///
    /// While answers are awaited (awaitAnswers), a dot-command's entry waits
    /// for the server's answer and ends with its outcome (" | ok",
    /// " | refused: TEXT", " | no answer in 10 s"): commandSent names it,
    /// settle completes it. Entries are written in the order they were made,
    /// so the ones after a command wait with it.
    void sent(const QString &line);
    /// Something the program did besides sending a command (a remote switch,
    /// a slot that ran out with nobody to release).
    void action(const QString &what, const QString &station);

    /// Dot-commands wait for their outcome from here on.
    void awaitAnswers() { m_awaitAnswers = true; }
    /// The outcome of the command whose entry is entry; the entry and those
    /// waiting behind it are written.
    void settle(int entry, const QString &outcome);
    /// Settles every command still waiting with outcome (the program ends).
    void settleAll(const QString &outcome);
    /// Entries made but not yet written.
    int waiting() const { return int(m_held.size()); }

    /// What causes the commands sent while it lives (nested causes: the
    /// innermost one counts). station, when given, names the station where
    /// the line itself does not (".mute ." mutes whoever talks).
    class Cause {
    public:
        Cause(ModerationLog *log, const QString &cause, const QString &station = QString());
        ~Cause();
        Cause(const Cause &) = delete;
        Cause &operator=(const Cause &) = delete;

    private:
        ModerationLog *m_log;
    };

    /// A click on any button of window counts as the cause of what its
    /// handlers send, unless they name a cause of their own. Call it once
    /// every handler of the window's buttons is connected.
    void followButtons(QWidget *window);

    /// The last entry, as written.
    const QString &lastEntry() const { return m_last; }

    /// Whether line is a sysop command or a notice (what the log keeps).
    static bool isModerationLine(const QString &line);
    /// line as the log shows it: a password replaced by "****".
    static QString masked(const QString &line);
    /// The station a command or notice concerns, or "" when it names none.
    static QString stationOf(const QString &line);

signals:
    /// A dot-command went out; its entry waits for settle(entry, ...).
    void commandSent(int entry, const QString &line);
    /// An entry was written (the status line shows the last one).
    void logged(const QString &entry);
    /// The file stopped taking entries, and why. Said once, after the entry
    /// it missed was logged; again only once the file took entries between.
    void troubled(const QString &what);

private:
    struct Scope {
        QString cause;
        QString station;
    };
    /// An entry not yet written: its text so far, and whether its outcome is in.
    struct Held {
        int entry = 0;
        QString text;
        bool settled = false;
    };
    /// The entry's text as the time, what, station and cause in force make it now.
    QString compose(const QString &what, const QString &station) const;
    void write(const QString &what, const QString &station);
    /// Writes text as an entry: the file, standard error, the status line.
    void writeEntry(const QString &text);
    void writeSettled();
    /// Appends line to the file, opening it or moving it aside first when
    /// needed. False, with why, when the file did not take it.
    bool keep(const QByteArray &line, QString &why);
    bool openFile(QString &why);
    bool rotate(QString &why);
    void closeFile();

    Scheduler &m_clock;
    QString m_path;
    int m_fd = -1;
    /// The file's trouble was told and it has taken no entry since.
    bool m_troubled = false;
    QList<Scope> m_causes;
    /// The button whose click is being handled, if any.
    QString m_button;
    bool m_echo = false;
    QString m_last;
    bool m_awaitAnswers = false;
    int m_nextEntry = 0;
    QList<Held> m_held;
};

} // namespace gavelry
