#pragma once

// The settings-file versions the saving helper writes one after another and
// the test expects to find whole: version k's bytes are known exactly.

#include "platform/ProfileIni.h"

#include <QString>

namespace gavelry::test {

/// A long value whose length and letters change from version to version, so
/// a file made of two versions cannot pass for one.
inline QString versionPadding(qint64 k)
{
    return QString(int(20000 + (k * 7919) % 60000), QChar(char16_t(u'a' + k % 26)));
}

inline void setVersion(ProfileIni &ini, qint64 k)
{
    ini.set(QStringLiteral("SETTINGS"), QStringLiteral("V"), QString::number(k));
    ini.set(QStringLiteral("SETTINGS"), QStringLiteral("PAD"), versionPadding(k));
    ini.set(QStringLiteral("SETTINGS"), QStringLiteral("END"), QString::number(k));
}

inline QByteArray versionBytes(qint64 k)
{
    return QStringLiteral("[SETTINGS]\nV=%1\nPAD=%2\nEND=%1\n").arg(k).arg(versionPadding(k)).toUtf8();
}

} // namespace gavelry::test
