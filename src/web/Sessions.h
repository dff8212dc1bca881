#pragma once

#include "web/UserStore.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace gavelry::web {

/// Failed log-ins by address: after kFailures within kWindowMs, the address
/// is refused for kLockMs from the last of them, right password or not. A
/// log-in that succeeds forgives nothing: one account known at an address
/// must not reset the count of guesses at another's password.
///
/// Apart from that, at most kChecks password checks run within kChecksMs,
/// whoever asks: each takes the program's thread for a tenth of a second
/// (the hash is memory-hard on purpose), and a flood of log-ins from many
/// addresses must not hold up its timers.
class LoginThrottle {
public:
    static constexpr int kFailures = 5;
    static constexpr qint64 kWindowMs = 60 * 1000;
    static constexpr qint64 kLockMs = 60 * 1000;
    static constexpr int kChecks = 3;
    static constexpr qint64 kChecksMs = 2000;

    bool locked(const QString &address, qint64 nowMs);
    void failed(const QString &address, qint64 nowMs);
    /// Whether a password may be checked now; if so, the check counts.
    bool mayCheck(qint64 nowMs);

private:
    void forgetOld(qint64 nowMs);
    struct Record {
        QList<qint64> failures;
        qint64 lockedUntil = 0;
    };
    QHash<QString, Record> m_byAddress;
    QList<qint64> m_checks;
};

/// The logged-in sessions: a random token in a cookie, and a second random
/// token the pages send back in X-CSRF-Token with every change they ask for.
class Sessions {
public:
    static constexpr qint64 kIdleMs = 12LL * 60 * 60 * 1000; ///< unused this long, a session ends
    static constexpr int kMost = 256;                         ///< beyond, the least recently used ends

    struct Session {
        QByteArray token;
        QByteArray csrf;
        QString user;
        Role role = Role::Viewer;
        QString hash; ///< the user's password hash at the log-in: a new password ends the session
        qint64 lastUsedMs = 0;
    };

    Session &open(const QString &user, Role role, const QString &hash, qint64 nowMs);
    /// The session of token, when it lives; its use counts.
    Session *find(const QByteArray &token, qint64 nowMs);
    void close(const QByteArray &token);
    /// Ends every session of user (removed, or its role or password changed).
    void closeUser(const QString &user);
    int count() const { return int(m_sessions.size()); }

    /// A fresh random token, 32 bytes, URL-safe base64.
    static QByteArray randomToken();
    /// Compares in a time that does not depend on where they differ.
    static bool sameToken(const QByteArray &a, const QByteArray &b);

private:
    QHash<QByteArray, Session> m_sessions;
};

} // namespace gavelry::web
