#pragma once

#include <QString>
#include <optional>

/// Reading the station information text the client reports while a
/// conference carries a transmission. Pure text in, decision out.
namespace gavelry::talker {

/// What one station information text means to the main window.
struct StationText {
    /// The text as the listing box shows it: every carriage return followed
    /// by a line feed (one already followed by one gets a second), and one
    /// line break (CR LF) appended.
    QString display;
    /// The callsign of the station talking now, when the text names one
    /// (it follows "->"); nullopt when it names none.
    std::optional<QString> talker;
};

/// Reads one station information text.
StationText parseStationText(const QString &sText);

/// The talker named in t (t with its line breaks already expanded), or
/// nullopt when t carries no "->".
std::optional<QString> talkerOf(const QString &t);

} // namespace gavelry::talker
