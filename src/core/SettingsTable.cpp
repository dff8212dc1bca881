#include "core/SettingsTable.h"

#include "core/Controls.h"
#include "platform/Logging.h"
#include "platform/ProfileIni.h"
#include "platform/SafeFile.h"

#include <algorithm>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QVariant>

namespace gavelry {

namespace {

using Format = SettingKey::Format;

/// A whole number a position can hold: one past the int range would be
/// taken as 0, not as the default.
bool isInteger(const QString &text)
{
    bool ok = false;
    text.trimmed().toInt(&ok);
    return ok;
}

/// A check box holds 0, 1 or 2 (greyed); anything else is not a check value.
bool isCheckValue(const QString &text)
{
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok);
    return ok && v >= 0 && v <= 2;
}

bool isTruth(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    t.toDouble(&ok);
    return ok || t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0
        || t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0;
}

/// Digits only, and no more of them than the box holds: a value the box
/// would cut ("123" in a two-digit hour box becoming "12") means something
/// else than what was stored, so it is not taken at all. An empty box is
/// what the operator left there and is kept: a default in its place would
/// switch on a time that never fired.
bool fitsDigitsBox(const QString &text, const QWidget *box)
{
    const auto *edit = qobject_cast<const QLineEdit *>(box);
    if (edit && text.size() > edit->maxLength())
        return false;
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

void setOption(QRadioButton *option, bool on)
{
    if (option->isChecked() == on)
        return;
    if (on) {
        option->setChecked(true);
        return;
    }
    // An exclusive option button cannot be cleared directly.
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

QWidget *control(const QWidget &form, const SettingKey &k)
{
    return form.findChild<QWidget *>(k.control);
}

/// Qt's maximum for a line edit nobody gave one of its own.
constexpr int kUnlimitedLineEdit = 32767;

/// A text value goes into its box whole: a line edit left at Qt's maximum
/// (32,767 characters) would cut a longer value, and the next save would
/// write it cut. Boxes with a shorter maximum of their own keep it.
void holdWhole(QWidget *box)
{
    auto *edit = qobject_cast<QLineEdit *>(box);
    if (edit && edit->maxLength() == kUnlimitedLineEdit)
        edit->setMaxLength(int(safefile::kLargest));
}

/// The position a settings file gave the window, in twips, kept beside the
/// window: a pixel is 15 twips, so a stored value that is no whole number of
/// pixels ("LEFT=-1490") would otherwise come back as the nearest pixel's
/// twips on every save, and a window off the main screen would creep.
const char *storedTwipsProperty(Format f)
{
    return f == Format::Left ? "gavelryStoredLeftTwips" : "gavelryStoredTopTwips";
}

int placeFromFile(QWidget &form, Format f, int twips)
{
    form.setProperty(storedTwipsProperty(f), twips);
    return controls::toPixels(twips);
}

/// The window's edge in twips: the value its file gave while the window still
/// stands where that value put it, otherwise the pixel position's twips.
QString twipsToSave(const QWidget &form, Format f, int pixels)
{
    const QVariant stored = form.property(storedTwipsProperty(f));
    if (stored.isValid() && controls::toPixels(stored.toInt()) == pixels)
        return QString::number(stored.toInt());
    return QString::number(controls::toTwips(pixels));
}

void upperCaseInPlace(QWidget *box)
{
    const QString text = controls::caption(box);
    const QString upper = text.toUpper();
    if (upper != text)
        controls::setCaption(box, upper);
}

/// The value itself when it can be read as its key's format; otherwise the
/// key's default, and the log names the file, the key and both values.
QString readable(const QString &file, const SettingKey &k, const QString &value, bool ok, QStringList *unreadable)
{
    if (ok)
        return value;
    qCWarning(lcSettings).noquote() << QStringLiteral("%1 [%2] %3: \"%4\" cannot be read; took \"%5\"")
                                           .arg(file, kSettingsSection, k.key, value, k.def);
    if (unreadable)
        unreadable->append(k.key);
    return k.def;
}

} // namespace

QString loadSettings(QWidget &form, const QString &configDir, const QString &file, const SettingsTable &table,
                     QStringList *unreadable)
{
    const SettingsFile ini(configDir, file, kSettingsSection, SettingsFile::Fallback::Backup);
    if (!ini.notice().isEmpty())
        qCWarning(lcSettings).noquote() << ini.notice();
    QPoint pos = form.pos();
    bool placed = false;
    for (const SettingKey &k : table) {
        const QString value = ini.get(k.key, k.def);
        switch (k.format) {
        case Format::Text:
        case Format::UpperText:
            holdWhole(control(form, k));
            controls::setCaption(control(form, k), value);
            break;
        case Format::Digits:
            controls::setCaption(control(form, k),
                                 readable(file, k, value, fitsDigitsBox(value, control(form, k)), unreadable));
            break;
        case Format::Check:
            if (auto *box = qobject_cast<QCheckBox *>(control(form, k)))
                controls::setCheckValue(box,
                                        controls::toInt(readable(file, k, value, isCheckValue(value), unreadable)));
            break;
        case Format::Truth:
            if (auto *option = qobject_cast<QRadioButton *>(control(form, k)))
                setOption(option, controls::toBool(readable(file, k, value, isTruth(value), unreadable)));
            break;
        case Format::Left:
            pos.setX(placeFromFile(form, k.format,
                                   controls::toInt(readable(file, k, value, isInteger(value), unreadable))));
            placed = true;
            break;
        case Format::Top:
            pos.setY(placeFromFile(form, k.format,
                                   controls::toInt(readable(file, k, value, isInteger(value), unreadable))));
            placed = true;
            break;
        }
    }
    if (placed)
        form.move(pos);
    return ini.notice();
}

QString saveSettings(QWidget &form, const QString &configDir, const QString &file, const SettingsTable &table,
                     QString *backupProblem)
{
    SettingsFile ini(configDir, file);
    for (const SettingKey &k : table) {
        if (!k.upperFirst.isEmpty())
            upperCaseInPlace(form.findChild<QWidget *>(k.upperFirst));
        QString value;
        switch (k.format) {
        case Format::Text:
        case Format::Digits:
            value = controls::caption(control(form, k));
            break;
        case Format::UpperText:
            upperCaseInPlace(control(form, k));
            value = controls::caption(control(form, k));
            break;
        case Format::Check:
            if (auto *box = qobject_cast<QCheckBox *>(control(form, k)))
                value = QString::number(controls::checkValue(box));
            break;
        case Format::Truth:
            if (auto *option = qobject_cast<QRadioButton *>(control(form, k)))
                value = option->isChecked() ? QStringLiteral("True") : QStringLiteral("False");
            break;
        case Format::Left:
            value = twipsToSave(form, k.format, form.pos().x());
            break;
        case Format::Top:
            value = twipsToSave(form, k.format, form.pos().y());
            break;
        }
        ini.set(k.key, value);
    }
    if (!ini.save())
        return ini.error();
    if (backupProblem)
        *backupProblem = ini.backupProblem();
    return QString();
}

} // namespace gavelry
