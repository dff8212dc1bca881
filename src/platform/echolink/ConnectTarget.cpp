#include "platform/echolink/ConnectTarget.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace gavelry::echolink {

namespace {

std::string trimmed(const std::string &text)
{
    const auto blank = [](unsigned char c) { return c == ' ' || c == '\t'; };
    std::size_t b = 0, e = text.size();
    while (b < e && blank(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && blank(static_cast<unsigned char>(text[e - 1])))
        --e;
    return text.substr(b, e - b);
}

bool parseOctets(const std::string &text, std::vector<int> &octets)
{
    octets.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        const std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0'))
            return false;
        if (!std::all_of(part.begin(), part.end(), [](unsigned char c) { return std::isdigit(c); }))
            return false;
        octets.push_back(std::stoi(part));
        if (octets.back() > 255)
            return false;
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    return octets.size() == 4;
}

} // namespace

bool isUnicastIpv4(const std::string &text)
{
    std::vector<int> o;
    if (!parseOctets(text, o))
        return false;
    // 0.0.0.0/8 is "this network", 224 and up multicast, reserved, broadcast.
    return o[0] != 0 && o[0] < 224;
}

std::string linkKey(const std::string &text)
{
    std::string key = trimmed(text);
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return key;
}

std::optional<ConnectTarget> parseConnectTarget(const std::string &text, std::string &error)
{
    const std::string key = linkKey(text);
    if (key.empty()) {
        error = "no station or conference was named";
        return std::nullopt;
    }
    if (key.size() > kMaxTargetLength) {
        error = "'" + key.substr(0, 20) + "...' is too long for a callsign or an address";
        return std::nullopt;
    }
    for (unsigned char c : key) {
        if (c <= ' ' || c == 0x7f) {
            error = "'" + key + "' has a blank or a control character in it: it is neither a callsign "
                    "nor an address";
            return std::nullopt;
        }
    }
    ConnectTarget target;
    target.key = key;
    const std::size_t at = key.find('@');
    if (at != std::string::npos) {
        const std::string name = key.substr(0, at);
        const std::string address = key.substr(at + 1);
        if (name.empty() || !isUnicastIpv4(address)) {
            error = "'" + key + "' is not NAME@ADDRESS with a dotted IPv4 address (for example "
                    "*PRIVATE*@192.168.1.20)";
            return std::nullopt;
        }
        target.address = address;
        return target;
    }
    if (isUnicastIpv4(key)) {
        target.address = key;
        return target;
    }
    if (std::all_of(key.begin(), key.end(), [](unsigned char c) { return std::isdigit(c) || c == '.'; })
        && key.find('.') != std::string::npos) {
        error = "'" + key + "' is not a usable IPv4 address";
        return std::nullopt;
    }
    target.callsign = key;
    return target;
}

} // namespace gavelry::echolink
