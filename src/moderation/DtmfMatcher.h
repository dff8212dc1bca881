#pragma once

#include <QList>
#include <QString>
#include <array>

/// Which remote commands a DTMF sequence asks for: the codes the operator
/// entered against one received sequence, in the fixed order the commands
/// run. Text in, decision out; no window is touched.
namespace gavelry::dtmf {

/// The codes of the DTMF settings tab. An empty code is switched off: it
/// never matches, not even an empty sequence.
struct Codes {
    /// Prefix + node number makes the conference connect to that node.
    QString connectPrefix;
    QString stayConnectedToggle;
    /// Select conference profile 1 to 4.
    std::array<QString, 4> profiles;
    /// Mute and unmute codes of the five mute rows.
    std::array<QString, 5> mute;
    std::array<QString, 5> unmute;
    QString unmuteAll;
    /// Disconnect and connect codes of the five station rows.
    std::array<QString, 5> disconnect;
    std::array<QString, 5> connect;
    /// Drops the station talking now (for repeaters).
    QString repeaterDisconnect;
};

enum class Kind {
    ConnectNode,         ///< text: the node number keyed after the prefix
    ToggleStayConnected,
    SelectProfile,       ///< row: profile 0-3
    Mute,                ///< row: mute row 0-4
    Unmute,              ///< row: mute row 0-4
    UnmuteAll,
    Disconnect,          ///< row: station row 0-4
    Connect,             ///< row: station row 0-4
    DisconnectTalking,
};

struct Action {
    Kind kind;
    int row = -1;
    QString text;
    bool operator==(const Action &) const = default;
};

/// Every action whose code the sequence matches, in the order they run:
/// connect prefix, stay-connected toggle, profile switch, mute rows, unmute
/// rows, unmute all, disconnect rows, connect rows, repeater disconnect.
/// Codes compare with the whole sequence, case and all; only the prefix
/// compares with its start. A profile switch ends the matching: one
/// sequence switches at most one profile and runs nothing after it.
QList<Action> match(const QString &sequence, const Codes &codes);

/// Whether text holds only what a DTMF keypad sends: 0-9, A-D, * and #.
bool isKeypadText(const QString &text);

/// "mute 2", "connect-node 123", ... for test output and the log.
QString describe(const Action &action);

} // namespace gavelry::dtmf
