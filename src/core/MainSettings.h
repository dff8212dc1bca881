#pragma once

#include <QString>
#include <QWidget>
#include <vector>

namespace gavelry {

class Form6;

/// vorivuzav.ini: the main window's settings, one section SETTINGS. One table
/// of keys, in file order, with their controls and defaults; load and save
/// both walk it, so they cannot drift apart.
class MainSettings {
public:
    enum class Format {
        Text,      ///< the box's text, unchanged
        UpperText, ///< the box is upper-cased in place, then written
        Check,     ///< check box value "0"/"1"
        Truth,     ///< option button, written "True"/"False"
        Left,      ///< window left, twips
        Top,       ///< window top, twips
    };
    struct Key {
        const char *key;
        const char *control; ///< objectName of the control (empty for the window)
        Format format;
        const char *def;
        /// A box upper-cased in place just before this key is written (the
        /// conference box before its profile's password).
        const char *upperFirst = nullptr;
    };

    static const char *fileName() { return "vorivuzav.ini"; }
    /// The keys in file order.
    static const std::vector<Key> &keys();

    explicit MainSettings(Form6 &form);

    /// Reads every key into its control. Values that cannot be read give the
    /// key's default; nothing is reported.
    void load();
    /// Writes every key. False when the file could not be written (error()).
    bool save();
    QString error() const { return m_error; }
    QString path() const;

private:
    QWidget *control(const Key &k) const;

    Form6 &m_form;
    QString m_error;
};

} // namespace gavelry
