#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace gavelry::web {

enum class Role { Viewer, Operator };

QString roleName(Role role);
std::optional<Role> roleFromName(const QString &name);

/// The console's users, in web-users.ini (owner-only): one section a user
/// with its role and a password hash made by libsodium's crypto_pwhash
/// (Argon2id, memory-hard). No password is ever kept in clear.
///
///     [alice]
///     ROLE=operator
///     HASH=$argon2id$v=19$m=65536,t=2,p=1$...
///
/// User names are letters, digits, '.', '_' and '-', matched without regard
/// to case.
class UserStore {
public:
    static const QString kFileName; ///< "web-users.ini"

    struct User {
        QString name;
        Role role = Role::Viewer;
        QString hash;
    };

    /// How much work and memory a new hash costs: Interactive for the
    /// program, Minimal for tests that make many users.
    enum class Cost { Interactive, Minimal };

    explicit UserStore(const QString &configDir, Cost cost = Cost::Interactive);

    static bool validName(const QString &name);

    /// Reads the file again when it changed since the last read (another
    /// process may add or remove users while the console runs).
    void refresh();
    const QList<User> &users() const { return m_users; }
    const User *find(const QString &name) const;

    /// The role of name when password is right. The same work is done for
    /// an unknown name, so the time taken does not tell which was wrong.
    std::optional<Role> verify(const QString &name, const QString &password);

    /// Adds name or gives it a new password and role, and writes the file.
    bool add(const QString &name, Role role, const QString &password, QString &why);
    bool remove(const QString &name, QString &why);

    QString path() const { return m_path; }

private:
    bool write(const QList<User> &users, QString &why);
    bool load(QString &why);

    QString m_path;
    Cost m_cost;
    QList<User> m_users;
    QDateTime m_readModified;
    qint64 m_readSize = -1;
    QString m_dummyHash;
};

} // namespace gavelry::web
