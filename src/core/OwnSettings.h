#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace gavelry {

/// gavelry.ini in the settings folder: settings of Gavelry's own, kept apart
/// so that the five INI files keep exactly the layout they always had. It is
/// written by hand (no window saves it) and read at start; section
/// [SETTINGS]:
///
///   TRUSTED_STATIONS  callsigns, separated by commas or blanks, that may use
///                     the remote switches and probes in chat ("/chat/",
///                     "/ver/", "/TIMEOUT ON/ ", "/TIMEOUT OFF/ ",
///                     "/timeout4/"); empty (the default): every station
///   NOTICES1 ... NOTICES4
///                     how profile 1 ... 4 sends the notices that go out
///                     quoted: "quoted" (the default) or "plain" (the same
///                     text as an ordinary chat line, which every server
///                     relays to every station)
class OwnSettings {
public:
    static const QString kFileName;
    enum class NoticeForm { Quoted, Plain };

    /// The defaults: every station trusted, every profile's notices quoted.
    OwnSettings() = default;
    /// Reads gavelry.ini from configDir. A missing file or key takes its
    /// default; so does a value that cannot be read, and problems then gets
    /// one line for the operator naming the file, the key and the value.
    static OwnSettings load(const QString &configDir, QStringList *problems = nullptr);

    /// Whether only some stations may use the remote switches and probes,
    /// and which (upper case).
    bool limitsStations() const { return m_limited; }
    const QStringList &trustedStations() const { return m_trusted; }
    /// Whether the station that sent a line (its callsign, any case) may use them.
    bool trusts(const QString &sender) const;

    NoticeForm notices(int profile) const;
    /// line as profile (0-3, -1 for none) sends it: a ".quote" notice goes
    /// without its carrier when the profile sends notices plain.
    QString outgoing(const QString &line, int profile) const;

private:
    bool m_limited = false;
    QStringList m_trusted;
    std::array<NoticeForm, 4> m_notices{NoticeForm::Quoted, NoticeForm::Quoted, NoticeForm::Quoted,
                                        NoticeForm::Quoted};
};

} // namespace gavelry
