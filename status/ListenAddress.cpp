#include "status/ListenAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <charconv>

namespace plyx::status {

std::string ListenAddress::Text() const {
    if (off) return "off";
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

ListenAddress DefaultListenAddress(std::int32_t comPort) {
    ListenAddress a;
    a.port = static_cast<std::uint16_t>(kStatusPortBase + std::clamp(comPort, 0, 255));
    return a;
}

std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::int32_t comPort, std::string* why) {
    auto fail = [why](const char* reason) -> std::optional<ListenAddress> {
        if (why != nullptr) *why = reason;
        return std::nullopt;
    };
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "off") {
        ListenAddress a;
        a.off = true;
        return a;
    }
    ListenAddress a = DefaultListenAddress(comPort);
    std::string_view host = text;
    const bool bracketed = !text.empty() && text.front() == '[';
    const std::size_t close = bracketed ? text.find(']') : std::string_view::npos;
    std::size_t colon = std::string_view::npos;
    if (bracketed) {
        if (close == std::string_view::npos) return fail("an IPv6 address without its closing bracket");
        host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') return fail("no ':' before the port");
            colon = close + 1;
        }
    } else if ((colon = text.find(':')) != std::string_view::npos) {
        if (text.find(':', colon + 1) != std::string_view::npos)
            return fail("an IPv6 address goes in brackets: [::]:9303");
        host = text.substr(0, colon);
    }
    if (colon != std::string_view::npos) {
        const std::string_view port = text.substr(colon + 1);
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value > 65535)
            return fail("the port is no number from 0 to 65535");
        a.port = static_cast<std::uint16_t>(value);
    }
    const std::string h(host);
    unsigned char buf[sizeof(in6_addr)];
    if (bracketed ? inet_pton(AF_INET6, h.c_str(), buf) != 1 : inet_pton(AF_INET, h.c_str(), buf) != 1)
        return fail(bracketed ? "no IPv6 address in the brackets" : "no numeric IPv4 address (an IPv6 one goes in brackets)");
    a.host = h;
    return a;
}

}  // namespace plyx::status
