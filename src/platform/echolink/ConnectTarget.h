#pragma once

// What connect-station was asked to link to. Plain C++ with no Qt header.
//
// The text names either a station or conference to look up in the EchoLink
// directory, or a private server by its address, reached without the
// directory:
//
//   "*HARBOUR*", "G4ABC-L"      a callsign, looked up in the directory
//   "192.168.1.20"              a dotted IPv4 address
//   "*PRIVATE*@192.168.1.20"    a name of your choice at a dotted IPv4 address
//
// Blanks around the text are ignored and it is upper-cased. The link is then
// known by that text: is-connected, disconnect-station and the connected
// event use it as given (so the conference box of a profile may hold any of
// the three forms).

#include <optional>
#include <string>

namespace gavelry::echolink {

struct ConnectTarget {
    std::string key;      ///< the link's name: the whole upper-cased text
    std::string callsign; ///< the callsign to look up (empty when by address)
    std::string address;  ///< the dotted IPv4 address (empty when by callsign)

    bool byAddress() const { return !address.empty(); }
};

/// Reads a connect-station text. Returns nothing, with why in error, for an
/// empty text, one with blanks or control characters inside, an address that
/// is not a unicast IPv4 address, or a text longer than kMaxTargetLength.
std::optional<ConnectTarget> parseConnectTarget(const std::string &text, std::string &error);

/// The name a link is known by for text (trimmed, upper-cased), also for
/// texts parseConnectTarget refuses: disconnect-station accepts anything.
std::string linkKey(const std::string &text);

/// True when text is a dotted IPv4 unicast address ("10.0.0.5"; no leading
/// zeros beyond one digit, no 0.x.x.x, no multicast or broadcast).
bool isUnicastIpv4(const std::string &text);

inline constexpr std::size_t kMaxTargetLength = 64;

} // namespace gavelry::echolink
