#include "platform/ProfileIni.h"

#include "platform/SafeFile.h"

#include <algorithm>
#include <iterator>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace gavelry {

namespace {

using Encoding = ProfileIni::Encoding;

// Windows-1252 for bytes 0x80-0x9F. The five bytes the code page leaves
// undefined stand for the control characters of the same number, as they do
// on Windows, so every byte has a character and comes back as itself.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString fromCp1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

/// The text in Windows-1252, or nothing when a character has no byte there.
std::optional<QByteArray> toCp1252(const QString &text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            *out++ = char(u);
            continue;
        }
        const auto *hit = std::find(std::begin(kCp1252High), std::end(kCp1252High), u);
        if (hit == std::end(kCp1252High))
            return std::nullopt;
        *out++ = char(0x80 + (hit - std::begin(kCp1252High)));
    }
    return bytes;
}

QString fromUtf16(const QByteArray &bytes, bool bigEndian)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        *out++ = QChar(char16_t(hi << 8 | lo));
    }
    return text;
}

QByteArray toUtf16(const QString &text, bool bigEndian)
{
    QByteArray bytes;
    bytes.reserve(2 + text.size() * 2);
    auto put = [&](char16_t u) {
        bytes.append(char(bigEndian ? u >> 8 : u & 0xFF));
        bytes.append(char(bigEndian ? u & 0xFF : u >> 8));
    };
    put(0xFEFF);
    for (const QChar ch : text)
        put(ch.unicode());
    return bytes;
}

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char16_t kByteOrderMark = 0xFEFF;

/// Whether bytes begin the way a file in one of the encodings with a
/// byte-order mark does. Only a mark at the very start of a file counts, as
/// on Windows.
bool startsWithByteOrderMark(const QByteArray &bytes)
{
    return bytes.startsWith(kUtf8Bom) || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

/// The file's text and the encoding it is written in: a byte-order mark
/// names it; otherwise UTF-8, and the Windows code page when the bytes are
/// not UTF-8 (an INI file written by a Windows program).
///
/// NUL characters are dropped (they would cut a value short wherever it
/// goes, and a UTF-16 file without a mark still reads as its text). A mark
/// that only comes first once they are gone is text, not a mark: encode()
/// writes such a text so that it reads back the same.
QString decode(const QByteArray &bytes, Encoding &encoding)
{
    QString text;
    if (bytes.startsWith(kUtf8Bom)) {
        encoding = Encoding::Utf8Bom;
        // A second mark after the first is text, as it was when written.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        text = utf8(bytes.mid(3));
    } else if (bytes.startsWith("\xFF\xFE")) {
        encoding = Encoding::Utf16LE;
        text = fromUtf16(bytes.mid(2), false);
    } else if (bytes.startsWith("\xFE\xFF")) {
        encoding = Encoding::Utf16BE;
        text = fromUtf16(bytes.mid(2), true);
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8(bytes);
        encoding = Encoding::Utf8;
        if (utf8.hasError()) {
            encoding = Encoding::Windows1252;
            text = fromCp1252(bytes);
        }
    }
    text.remove(QChar(u'\0'));
    return text;
}

/// The text in encoding, as decode() reads it back. A file without a
/// byte-order mark must not begin with bytes that look like one: a text
/// that starts with the mark's character is written in UTF-8 after a mark of
/// its own, and a code-page text that starts with the bytes of a mark
/// ("\u00EF\u00BB\u00BF", "\u00FF\u00FE") in UTF-8.
QByteArray encode(const QString &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8Bom:
        return QByteArray(kUtf8Bom) + text.toUtf8();
    case Encoding::Utf16LE:
        return toUtf16(text, false);
    case Encoding::Utf16BE:
        return toUtf16(text, true);
    case Encoding::Windows1252:
        // A character the code page has no byte for (typed into the
        // program) is kept: the file is then written in UTF-8.
        if (const std::optional<QByteArray> bytes = toCp1252(text); bytes && !startsWithByteOrderMark(*bytes))
            return *bytes;
        break;
    case Encoding::Utf8:
        break;
    }
    if (text.startsWith(QChar(kByteOrderMark)))
        return QByteArray(kUtf8Bom) + text.toUtf8();
    return text.toUtf8();
}

bool isSectionLine(const QString &trimmed)
{
    return trimmed.startsWith(u'[') && trimmed.contains(u']');
}

QString sectionName(const QString &trimmed)
{
    return trimmed.mid(1, trimmed.indexOf(u']') - 1).trimmed();
}

bool isComment(const QString &trimmed)
{
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

/// A value as set() writes it: a line break would end the value and start a
/// line of its own.
QString oneLine(const QString &value)
{
    QString clean = value;
    clean.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    clean.replace(u'\r', u' ');
    clean.replace(u'\n', u' ');
    return clean;
}

QString tooLargeToSave(const QString &path, qint64 size)
{
    // It could not be read back.
    return QStringLiteral("Cannot write %1: the settings would take %2 bytes, more than the %3 a settings "
                          "file may have. The file keeps its previous settings.")
        .arg(QDir::toNativeSeparators(path), QString::number(size), QString::number(safefile::kLargest));
}

/// Whether text has a surrogate without its other half (UTF-8 cannot
/// carry it).
bool hasLoneSurrogate(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

QString stripQuotes(const QString &value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

ProfileIni::ProfileIni(QString path) : m_path(std::move(path)) { reload(); }

void ProfileIni::reload()
{
    m_lines.clear();
    m_crlf = false;
    m_encoding = Encoding::Utf8;
    m_readProblem.clear();
    const safefile::ReadResult file = safefile::read(m_path);
    switch (file.state) {
    case safefile::ReadResult::State::Missing:
        m_readState = ReadState::Missing;
        return;
    case safefile::ReadResult::State::Refused:
        m_readState = ReadState::Unreadable;
        m_readProblem = file.why;
        return;
    case safefile::ReadResult::State::Read:
        m_readState = ReadState::Read;
        break;
    }
    const QString text = decode(file.data, m_encoding);
    m_crlf = text.contains(QStringLiteral("\r\n"));
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(u'\r', u'\n');
    m_lines = normalised.split(u'\n');
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

int ProfileIni::findSection(const QString &section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString t = m_lines.at(i).trimmed();
        if (isSectionLine(t) && sectionName(t).compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int ProfileIni::findKey(int sectionLine, const QString &key) const
{
    for (int i = sectionLine + 1; i < m_lines.size(); ++i) {
        const QString t = m_lines.at(i).trimmed();
        if (isSectionLine(t))
            break;
        if (t.isEmpty() || isComment(t))
            continue;
        const qsizetype eq = t.indexOf(u'=');
        const QString name = (eq < 0 ? t : t.left(eq)).trimmed();
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::optional<QString> ProfileIni::find(const QString &section, const QString &key) const
{
    const int s = findSection(section);
    if (s < 0)
        return std::nullopt;
    const int k = findKey(s, key);
    if (k < 0)
        return std::nullopt;
    const QString t = m_lines.at(k).trimmed();
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return QString();
    return stripQuotes(t.mid(eq + 1).trimmed());
}

QString ProfileIni::get(const QString &section, const QString &key, const QString &def) const
{
    return find(section, key).value_or(def);
}

void ProfileIni::set(const QString &section, const QString &key, const QString &value)
{
    const QString line = key + u'=' + oneLine(value);

    int s = findSection(section);
    if (s < 0) {
        m_lines.append(u'[' + section + u']');
        m_lines.append(line);
        return;
    }
    const int k = findKey(s, key);
    if (k >= 0) {
        m_lines[k] = line;
        return;
    }
    // Append after the section's last non-blank line.
    int insertAt = s + 1;
    for (int i = s + 1; i < m_lines.size(); ++i) {
        const QString t = m_lines.at(i).trimmed();
        if (isSectionLine(t))
            break;
        if (!t.isEmpty())
            insertAt = i + 1;
    }
    m_lines.insert(insertAt, line);
}

bool ProfileIni::save()
{
    m_error.clear();
    m_backupProblem.clear();
    if (m_readState == ReadState::Unreadable) {
        // Its values, comments and other sections would be lost.
        m_error = QStringLiteral("%1 %2, so it is not written over. Make it a readable file, or move it away, "
                                 "and save again.")
                      .arg(QDir::toNativeSeparators(m_path), m_readProblem);
        return false;
    }
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        m_error = QStringLiteral("Cannot create the folder %1").arg(info.absolutePath());
        return false;
    }
    const QString eol = m_crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const QString &l : std::as_const(m_lines))
        text += l + eol;
    const QByteArray out = encode(text, m_encoding);
    if (out.size() > safefile::kLargest) {
        m_error = tooLargeToSave(m_path, out.size());
        return false;
    }
    // The files hold conference passwords: owner-only, like the backup.
    const QString error = safefile::replace(m_path, out, m_path + QStringLiteral(".bak"), &m_backupProblem);
    if (!error.isEmpty()) {
        m_error = error + QStringLiteral(". The file keeps its previous settings.");
        return false;
    }
    return true;
}

QStringList ProfileIni::setEach(const QString &path, const QString &section,
                                const QList<std::pair<QString, QString>> &entries)
{
    ProfileIni ini(path);
    if (ini.readsBackAsWritten(section, entries))
        return ini.setEachInMemory(section, entries);
    QStringList errors;
    for (const auto &[key, value] : entries) {
        if (!errors.isEmpty())
            ini.reload();
        ini.set(section, key, value);
        errors.append(ini.save() ? QString() : ini.error());
    }
    return errors;
}

/// Whether the file, with the entries set, would read back after each save
/// as it is in memory, so that reading it again in between can be left out:
/// the encoding stays what it was and no character is lost on the way; every
/// key line stays a key line of the section.
bool ProfileIni::readsBackAsWritten(const QString &section,
                                    const QList<std::pair<QString, QString>> &entries) const
{
    // A code-page file may read back as UTF-8; the mark's character first
    // in a UTF-8 file gives it a byte-order mark.
    if (m_readState == ReadState::Unreadable || m_encoding == Encoding::Windows1252)
        return false;
    if (m_encoding == Encoding::Utf8 && !m_lines.isEmpty() && m_lines.first().startsWith(QChar(kByteOrderMark)))
        return false;
    const bool utf16 = m_encoding == Encoding::Utf16LE || m_encoding == Encoding::Utf16BE;
    // NUL is dropped on reading, a lone surrogate lost in UTF-8.
    const auto keeps = [utf16](const QString &text) {
        return !text.contains(QChar(u'\0')) && (utf16 || !hasLoneSurrogate(text));
    };
    const auto plainName = [&keeps](const QString &name) {
        return !name.isEmpty() && name.trimmed() == name && keeps(name) && !name.contains(u'\r')
            && !name.contains(u'\n');
    };
    if (!plainName(section) || section.contains(u']'))
        return false;
    for (const auto &[key, value] : entries) {
        if (!plainName(key) || key.contains(u'=') || key.startsWith(u'[') || isComment(key) || !keeps(value))
            return false;
    }
    return true;
}

/// setEach for a file that reads back as written: the entries are set in
/// memory, each save that would fail for the size is found by counting, and
/// the file is written with all but the last entry that fits and then with
/// that one too, as the backup would have it after saving them one by one.
QStringList ProfileIni::setEachInMemory(const QString &section,
                                        const QList<std::pair<QString, QString>> &entries)
{
    const bool utf16 = m_encoding == Encoding::Utf16LE || m_encoding == Encoding::Utf16BE;
    const qint64 eol = (m_crlf ? 2 : 1) * (utf16 ? 2 : 1);
    const auto bytes = [&](const QString &line) -> qint64 {
        return (utf16 ? 2 * line.size() : line.toUtf8().size()) + eol;
    };
    qint64 size = utf16 ? 2 : m_encoding == Encoding::Utf8Bom ? 3 : 0;
    for (const QString &line : std::as_const(m_lines))
        size += bytes(line);
    QStringList lines = m_lines; // the file's lines with the entries set

    // Where each key of the section is: a line of the file (0 and up) or a
    // line added after the section's last (-1 and down). Names compare as
    // findKey compares them, by their case-folded text.
    const int sectionLine = findSection(section);
    const QString header = u'[' + section + u']';
    int insertAt = int(m_lines.size());
    QHash<QString, int> keyAt;
    if (sectionLine >= 0) {
        insertAt = sectionLine + 1;
        for (int i = sectionLine + 1; i < m_lines.size(); ++i) {
            const QString t = m_lines.at(i).trimmed();
            if (isSectionLine(t))
                break;
            if (t.isEmpty())
                continue;
            insertAt = i + 1;
            if (isComment(t))
                continue;
            const qsizetype eq = t.indexOf(u'=');
            const QString name = (eq < 0 ? t : t.left(eq)).trimmed().toCaseFolded();
            if (!keyAt.contains(name)) // the first one counts
                keyAt.insert(name, i);
        }
    }
    QStringList added;
    bool headerAdded = false;
    const auto lineAt = [&](int at) -> QString & { return at >= 0 ? lines[at] : added[-at - 1]; };

    // What the last entry that fits changed, to write the file once without it.
    // (A section line it added came with the first entry that fits, never
    // the last of several.)
    struct Change {
        int at = 0;
        QString before; ///< the line it replaced; none: it added the line
        bool replaced = false;
    };
    Change last;
    QList<qsizetype> fitted;
    QStringList errors(entries.size());
    for (qsizetype e = 0; e < entries.size(); ++e) {
        const auto &[key, value] = entries.at(e);
        const QString line = key + u'=' + oneLine(value);
        const QString name = key.toCaseFolded();
        const auto found = keyAt.constFind(name);
        const bool newHeader = sectionLine < 0 && !headerAdded;
        const qint64 grown = found != keyAt.cend() ? size - bytes(lineAt(*found)) + bytes(line)
                                                   : size + bytes(line) + (newHeader ? bytes(header) : 0);
        if (grown > safefile::kLargest) {
            errors[e] = tooLargeToSave(m_path, grown);
            continue;
        }
        size = grown;
        fitted.append(e);
        if (found != keyAt.cend()) {
            last = {*found, lineAt(*found), true};
            lineAt(*found) = line;
        } else {
            added.append(line);
            keyAt.insert(name, -int(added.size()));
            last = {-int(added.size()), {}, false};
            headerAdded = true;
        }
    }
    if (fitted.isEmpty())
        return errors;

    const auto writeOut = [&] {
        m_lines = lines.mid(0, insertAt);
        if (headerAdded && sectionLine < 0)
            m_lines.append(header);
        m_lines.append(added);
        m_lines.append(lines.mid(insertAt));
        return save();
    };
    bool allButLastSaved = true;
    if (fitted.size() > 1) {
        // Undone for the one write, then done again.
        QString lastLine = lineAt(last.at);
        if (last.replaced)
            lineAt(last.at) = last.before;
        else
            added.removeLast();
        allButLastSaved = writeOut();
        if (last.replaced)
            lineAt(last.at) = lastLine;
        else
            added.append(lastLine);
    }
    if (!writeOut()) {
        // The values that are not in the file.
        for (const qsizetype e : allButLastSaved ? QList<qsizetype>{fitted.last()} : fitted)
            errors[e] = m_error;
    }
    return errors;
}

void SettingsFile::set(const QString &key, const QString &value)
{
    // Reading trims the value and takes one pair of enclosing quotes away.
    const bool wrap = value.trimmed() != value || stripQuotes(value) != value;
    m_ini.set(m_section, key, wrap ? u'"' + value + u'"' : value);
}

SettingsFile::SettingsFile(const QString &configDir, const QString &fileName, const QString &section,
                           Fallback fallback)
    : m_ini(QDir(configDir).filePath(fileName)), m_section(section)
{
    if (m_ini.readState() != ProfileIni::ReadState::Unreadable)
        return;
    const QString problem = QStringLiteral("%1 %2").arg(QDir::toNativeSeparators(m_ini.path()), m_ini.readProblem());
    if (fallback == Fallback::Backup) {
        ProfileIni backup(m_ini.path() + QStringLiteral(".bak"));
        if (backup.readState() == ProfileIni::ReadState::Read) {
            m_backup.emplace(std::move(backup));
            m_notice = QStringLiteral("%1; its backup %2.bak was loaded instead. Saving will not write over %2 "
                                      "until it can be read.")
                           .arg(problem, fileName);
            return;
        }
    }
    m_notice = QStringLiteral("%1; the defaults are used, and saving will not write over it until it can be read.")
                   .arg(problem);
}

} // namespace gavelry
