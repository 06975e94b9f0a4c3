#include "status/ListenAddress.h"

#include <gtest/gtest.h>

using namespace plyx::status;

TEST(ListenAddress, TheDefaultStaysOnThisComputer) {
    const ListenAddress a = DefaultListenAddress(3);
    EXPECT_FALSE(a.off);
    EXPECT_EQ(a.Text(), "127.0.0.1:9303");
    EXPECT_EQ(DefaultListenAddress(255).port, 9555);
}

TEST(ListenAddress, TakesOffOrANumericAddressWithItsPort) {
    struct Case {
        const char* text;
        const char* read;  // nullptr: refused
    };
    const Case cases[] = {
        {"off", "off"},
        {"OFF", "off"},
        {"0.0.0.0:9303", "0.0.0.0:9303"},
        {"192.168.1.20:80", "192.168.1.20:80"},
        {"[::]:9301", "[::]:9301"},
        {"[::1]:65535", "[::1]:65535"},
        {"0.0.0.0", "0.0.0.0:9303"},
        {"[::]", "[::]:9303"},
        {"[::1]9303", nullptr},
        {"[::1", nullptr},
        {"9303", nullptr},
        {"0.0.0.0:", nullptr},
        {"127.0.0.1:0", "127.0.0.1:0"},
        {"0.0.0.0:65536", nullptr},
        {"0.0.0.0:93x", nullptr},
        {"0.0.0.0:+93", nullptr},
        {"localhost:9303", nullptr},
        {"::1:9303", nullptr},
        {"[1.2.3.4]:9303", nullptr},
        {"1.2.3:9303", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        std::string why;
        const std::optional<ListenAddress> a = ParseListenAddress(c.text, 3, &why);
        if (c.read == nullptr) {
            EXPECT_FALSE(a.has_value()) << c.text;
            EXPECT_FALSE(why.empty()) << c.text;
        } else {
            ASSERT_TRUE(a.has_value()) << c.text << ": " << why;
            EXPECT_EQ(a->Text(), c.read);
        }
    }
}
