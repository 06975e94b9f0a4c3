#pragma once
// Where an instance's status server listens: by default on the loopback
// address only, at port 9300 + the COM number; STATUSLISTEN=ADDR:PORT on
// the command line opens it to the shop network, STATUSLISTEN=off closes it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plyx::status {

inline constexpr std::uint16_t kStatusPortBase = 9300;

struct ListenAddress {
    bool off = false;
    std::string host = "127.0.0.1";  // numeric IPv4 or IPv6 address
    std::uint16_t port = 0;          // 0: any free port (tests)

    std::string Text() const;  // "127.0.0.1:9303", "[::1]:9303", "off"
};

ListenAddress DefaultListenAddress(std::int32_t comPort);

// "off"; "ADDR:PORT" or "[IPV6]:PORT" with a numeric address and a port
// from 1 to 65535 (0: any free port, named in the log); or the address
// alone ("0.0.0.0", "[::]") with the instance's default port, the form for
// the port search to hand to every instance it starts. nullopt (why says
// what is wrong) for anything else.
std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::int32_t comPort, std::string* why);

}  // namespace plyx::status
