#include "web/UserStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <sodium.h>

namespace gavelry::web {

const QString UserStore::kFileName = QStringLiteral("web-users.ini");

QString roleName(Role role) { return role == Role::Operator ? QStringLiteral("operator") : QStringLiteral("viewer"); }

std::optional<Role> roleFromName(const QString &name)
{
    if (name == QLatin1String("operator"))
        return Role::Operator;
    if (name == QLatin1String("viewer"))
        return Role::Viewer;
    return std::nullopt;
}

namespace {

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

std::optional<QString> hashPassword(const QString &password, UserStore::Cost cost)
{
    if (!sodiumReady())
        return std::nullopt;
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    const bool minimal = cost == UserStore::Cost::Minimal;
    if (crypto_pwhash_str(out, utf8.constData(), quint64(utf8.size()),
                          minimal ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          minimal ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        return std::nullopt; // out of memory
    return QString::fromLatin1(out);
}

bool hashMatches(const QString &hash, const QString &password)
{
    const QByteArray h = hash.toLatin1();
    const QByteArray p = password.toUtf8();
    return sodiumReady() && crypto_pwhash_str_verify(h.constData(), p.constData(), quint64(p.size())) == 0;
}

} // namespace

UserStore::UserStore(const QString &configDir, Cost cost)
    : m_path(QDir(configDir).filePath(kFileName)), m_cost(cost)
{
    refresh();
}

bool UserStore::validName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9._-]{1,32}$"));
    return pattern.match(name).hasMatch();
}

const UserStore::User *UserStore::find(const QString &name) const
{
    for (const User &u : m_users)
        if (u.name.compare(name, Qt::CaseInsensitive) == 0)
            return &u;
    return nullptr;
}

void UserStore::refresh()
{
    const QFileInfo info(m_path);
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    const qint64 size = info.exists() ? info.size() : -1;
    if (modified == m_readModified && size == m_readSize)
        return;
    QString why;
    if (!load(why))
        m_users.clear(); // a file that cannot be read lets nobody in
    m_readModified = modified;
    m_readSize = size;
}

bool UserStore::load(QString &why)
{
    m_users.clear();
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return false;
    }
    User *current = nullptr;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            current = nullptr;
            if (validName(name) && !find(name)) {
                m_users.append(User{name, Role::Viewer, QString()});
                current = &m_users.last();
            }
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!current || eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toUpper();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("ROLE"))
            current->role = roleFromName(value.toLower()).value_or(Role::Viewer);
        else if (key == QLatin1String("HASH"))
            current->hash = value;
    }
    // A user without a hash cannot log in; keep it listed so that it can be removed.
    return true;
}

std::optional<Role> UserStore::verify(const QString &name, const QString &password)
{
    refresh();
    const User *user = find(name);
    if (!user || user->hash.isEmpty()) {
        if (m_dummyHash.isEmpty())
            m_dummyHash = hashPassword(QStringLiteral("no such user"), m_cost).value_or(QString());
        hashMatches(m_dummyHash, password);
        return std::nullopt;
    }
    if (!hashMatches(user->hash, password))
        return std::nullopt;
    return user->role;
}

bool UserStore::add(const QString &name, Role role, const QString &password, QString &why)
{
    if (!validName(name)) {
        why = QStringLiteral("'%1' is no user name: use 1 to 32 letters, digits, '.', '_' or '-'").arg(name);
        return false;
    }
    if (password.isEmpty()) {
        why = QStringLiteral("the password is empty");
        return false;
    }
    refresh();
    const std::optional<QString> hash = hashPassword(password, m_cost);
    if (!hash) {
        why = QStringLiteral("the password could not be hashed (not enough memory)");
        return false;
    }
    QList<User> users = m_users;
    bool replaced = false;
    for (User &u : users)
        if (u.name.compare(name, Qt::CaseInsensitive) == 0) {
            u = User{u.name, role, *hash};
            replaced = true;
        }
    if (!replaced)
        users.append(User{name, role, *hash});
    return write(users, why);
}

bool UserStore::remove(const QString &name, QString &why)
{
    refresh();
    QList<User> users = m_users;
    const qsizetype before = users.size();
    users.removeIf([&](const User &u) { return u.name.compare(name, Qt::CaseInsensitive) == 0; });
    if (users.size() == before) {
        why = QStringLiteral("there is no user '%1'").arg(name);
        return false;
    }
    return write(users, why);
}

bool UserStore::write(const QList<User> &users, QString &why)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        why = QStringLiteral("%1 cannot be written: %2").arg(m_path, file.errorString());
        return false;
    }
    // Owner-only before a byte of it is written: the hashes are secrets too.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QByteArray text = "; Users of the web console: gavelry --web-user add|remove|list\n";
    for (const User &u : users)
        text += '[' + u.name.toUtf8() + "]\nROLE=" + roleName(u.role).toUtf8() + "\nHASH=" + u.hash.toLatin1() + '\n';
    file.write(text);
    if (!file.commit()) {
        why = QStringLiteral("%1 cannot be written: %2").arg(m_path, file.errorString());
        return false;
    }
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_readSize = -2; // read it back on the next refresh
    refresh();
    return true;
}

} // namespace gavelry::web
