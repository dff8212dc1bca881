#include "web/Sessions.h"

#include <sodium.h>

#include <algorithm>

namespace gavelry::web {

void LoginThrottle::forgetOld(qint64 nowMs)
{
    for (auto it = m_byAddress.begin(); it != m_byAddress.end();) {
        it->failures.removeIf([&](qint64 t) { return nowMs - t >= kWindowMs; });
        if (it->failures.isEmpty() && it->lockedUntil <= nowMs)
            it = m_byAddress.erase(it);
        else
            ++it;
    }
}

bool LoginThrottle::locked(const QString &address, qint64 nowMs)
{
    forgetOld(nowMs);
    const auto it = m_byAddress.constFind(address);
    return it != m_byAddress.constEnd() && it->lockedUntil > nowMs;
}

void LoginThrottle::failed(const QString &address, qint64 nowMs)
{
    forgetOld(nowMs);
    Record &r = m_byAddress[address];
    r.failures.append(nowMs);
    if (r.failures.size() >= kFailures) {
        r.lockedUntil = nowMs + kLockMs;
        r.failures.clear();
    }
}

bool LoginThrottle::mayCheck(qint64 nowMs)
{
    m_checks.removeIf([&](qint64 t) { return nowMs - t >= kChecksMs; });
    if (m_checks.size() >= kChecks)
        return false;
    m_checks.append(nowMs);
    return true;
}

QByteArray Sessions::randomToken()
{
    if (sodium_init() < 0)
        qFatal("libsodium cannot start: no random tokens");
    QByteArray bytes(32, Qt::Uninitialized);
    randombytes_buf(bytes.data(), size_t(bytes.size()));
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

bool Sessions::sameToken(const QByteArray &a, const QByteArray &b)
{
    return !a.isEmpty() && a.size() == b.size() && sodium_memcmp(a.constData(), b.constData(), size_t(a.size())) == 0;
}

Sessions::Session &Sessions::open(const QString &user, Role role, const QString &hash, qint64 nowMs)
{
    if (m_sessions.size() >= kMost) {
        const auto oldest = std::min_element(m_sessions.begin(), m_sessions.end(),
                                             [](const Session &a, const Session &b) { return a.lastUsedMs < b.lastUsedMs; });
        m_sessions.erase(oldest);
    }
    Session s{randomToken(), randomToken(), user, role, hash, nowMs};
    return m_sessions.insert(s.token, s).value();
}

Sessions::Session *Sessions::find(const QByteArray &token, qint64 nowMs)
{
    const auto it = m_sessions.find(token);
    if (it == m_sessions.end())
        return nullptr;
    if (nowMs - it->lastUsedMs >= kIdleMs) {
        m_sessions.erase(it);
        return nullptr;
    }
    it->lastUsedMs = nowMs;
    return &it.value();
}

void Sessions::close(const QByteArray &token) { m_sessions.remove(token); }

void Sessions::closeUser(const QString &user)
{
    m_sessions.removeIf([&](const auto &it) { return it.value().user.compare(user, Qt::CaseInsensitive) == 0; });
}

} // namespace gavelry::web
