// Which Host headers the panel's server takes for its own: the defence against DNS rebinding.
#include <Vx/Render/PanelServer.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using Vx::Render::isOwnHost;

TEST(PanelServer, TakesOnlyItsOwnNamesAndPortAsHost)
{
    struct Case
    {
        const char* host;
        const char* bind;
        bool own;
    };
    const Case cases[] = {
        {"127.0.0.1:8640", "127.0.0.1", true},
        {"localhost:8640", "127.0.0.1", true},
        {"[::1]:8640", "127.0.0.1", true},
        {"127.0.0.1:8641", "127.0.0.1", false},    // another port
        {"127.0.0.1", "127.0.0.1", false},         // no port
        {"evil.example:8640", "127.0.0.1", false}, // a name rebound to 127.0.0.1
        {"localhost.evil.example:8640", "127.0.0.1", false},
        {"10.0.0.5:8640", "127.0.0.1", false},
        {"10.0.0.5:8640", "10.0.0.5", true},
        {"10.0.0.6:8640", "10.0.0.5", false},
        {"[fe80::1]:8640", "fe80::1", true},
        {"10.0.0.6:8640", "0.0.0.0", true}, // any address when bound to all
        {"[fe80::2]:8640", "::", true},
        {"farm-node:8640", "0.0.0.0", false}, // but never a name
        {"", "127.0.0.1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isOwnHost(c.host, c.bind, 8640), c.own) << "Host \"" << c.host << "\", bound to " << c.bind;
}

} // namespace
