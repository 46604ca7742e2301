// Address text checks.
#include <gtest/gtest.h>

#include <string>

#include "qavo/lookups.h"

namespace {

struct IpCase {
    const char *text;
    int valid;
    bool message;
};

TEST(IsIpValid, Table)
{
    const IpCase cases[] = {
        {"192.168.1.1", 1, false}, // 11 characters
        {"1.2.3.4", 1, false},     // short dotted quads are addresses too
        {"0.0.0.0", 1, false},
        {"10.0.0.1", 1, false},
        {"255.255.255.255", 1, false},
        {"10.1.258", 1, false},   // shorthand, 8 characters
        {"0x0A000001", 1, false}, // numeric form
        {"16909060", 1, false},
        {"192.168.1.256", 0, true},
        {"1.2.3.4 ;reboot", 0, true}, // trailing words are not an address
        {"1.2.3.4\n", 0, true},
        {"abcdefgh", 0, true},
        {"1.2.3", 0, false}, // short and not a dotted quad
        {"1.2.3.", 0, false},
        {"123", 0, false},
        {"any", 0, false},
        {"any/0", 0, false},
        {"", 0, false},
        {"01.2.3.4", 1, false}, // the parser's octal part, 8 characters
        {"1.2.3.4.", 0, true},
    };
    for (const IpCase &c : cases) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(c.valid, isIpValid(c.text)) << '"' << c.text << '"';
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(c.message ? "isIpValid(): " + std::string(c.text) + " is not a valid IP address.\n" : "", out)
            << c.text;
    }
    EXPECT_EQ(0, isIpValid(nullptr));
}

TEST(IsMacValid, Table)
{
    const struct {
        const char *text;
        int valid;
    } cases[] = {
        {"00:0c:43:76:20:00", 1},  {"00:0C:43:aB:Cd:eF", 1}, {"00-0c-43-76-20-00", 0}, {"00:0c:43:76:20:0", 0},
        {"00:0c:43:76:20:000", 0}, {"00:0c:43:76:20:0g", 0}, {"000c:43:76:20:00:", 0}, {"", 0},
        {"00:0c:43:76:20:00 ", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.valid, isMacValid(c.text)) << c.text;
    EXPECT_EQ(0, isMacValid(nullptr));
}

} // namespace
