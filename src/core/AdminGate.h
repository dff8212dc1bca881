#pragma once

#include <QString>

namespace gavelry {

class Form6;

/// The admin gate: whether the program may send moderation commands. The
/// state is the text of the main window's box Text36 (its adminState) and
/// nothing else; the box's back colour shows it. The gate keeps nothing of
/// its own, so any behaviour that has the main window may ask one.
class AdminGate {
public:
    /// The four texts Text36 holds. Only the first closes the gate.
    static const QString kDisabled;      ///< "Admin Disabled": at start, until the server accepts us
    static const QString kEnabled;       ///< "Admin Enabled": the server acknowledged a log-on
    static const QString kOverride;      ///< "Admin Override": the operator re-connected by hand
    static const QString kNoConference;  ///< ".Admin Disabled.": linked to none of the profiles

    explicit AdminGate(Form6 &form);

    /// Closed while Text36 reads exactly "Admin Disabled" (case matters).
    bool closed() const;
    /// The gate test of a gated action: true when it may go on; when closed it
    /// shows the not-authorised message first.
    bool allows() const;
    /// The not-authorised message box; returns when the operator closes it.
    void noneadmin() const;

    /// The server acknowledged an admin or sysop log-on.
    void markEnabled();
    /// The operator re-connected the conference by hand.
    void markOverride();
    /// The client is linked to none of the profile conferences: red, and open.
    void markNoConference();
    /// The server no longer knows our log-on: back to the design text and
    /// colour, and closed, as at start.
    void markDisabled();

private:
    void setState(const QString &text, int backColor);

    Form6 &m_form;
    /// Text36's back colour as designed.
    const int m_designBackColor;
};

} // namespace gavelry
