// Strict parsers for typed values: whole text or nothing.
#include <gtest/gtest.h>

#include "lib/validate.h"

using namespace qavo::validate;

TEST(Validate, Ipv4)
{
    for (const char *ok : {"0.0.0.0", "1.2.3.4", "192.168.1.1", "255.255.255.255", "10.0.2.15"})
        EXPECT_TRUE(isIpv4(ok)) << ok;
    for (const char *bad : {"", "1.2.3", "1.2.3.4.", "1.2.3.4 ", " 1.2.3.4", "256.1.1.1", "1.2.3.4x", "1..2.3",
                            "010.1.1.1", "0x7f.0.0.1", "1.2.3.4;ls", "-1.2.3.4", "1.2.3.1000", "16843009"})
        EXPECT_FALSE(isIpv4(bad)) << bad;
    uint32_t value = 0;
    ASSERT_TRUE(isIpv4("192.168.1.2", &value));
    EXPECT_EQ(0xC0A80102u, value);
}

TEST(Validate, Netmask)
{
    for (const char *ok : {"255.255.255.0", "255.255.255.255", "0.0.0.0", "255.255.254.0", "128.0.0.0"})
        EXPECT_TRUE(isNetmask(ok)) << ok;
    for (const char *bad : {"255.0.255.0", "255.255.255.1", "0.255.255.255", "255.255.255"})
        EXPECT_FALSE(isNetmask(bad)) << bad;
}

TEST(Validate, MacMtuDecimal)
{
    EXPECT_TRUE(isMac("00:0c:43:76:20:02"));
    EXPECT_TRUE(isMac("FF:FF:FF:FF:FF:FF"));
    for (const char *bad : {"00:0c:43:76:20", "00:0c:43:76:20:0g", "00-0c-43-76-20-02", "0:c:43:76:20:02",
                            "00:0c:43:76:20:02:", "00:0c:43:76:20:02x"})
        EXPECT_FALSE(isMac(bad)) << bad;
    EXPECT_TRUE(isMtu("1"));
    EXPECT_TRUE(isMtu("1500"));
    EXPECT_TRUE(isMtu("65535"));
    for (const char *bad : {"", "0", "65536", "1500 ", "+1500", "-1", "01500", "100000"})
        EXPECT_FALSE(isMtu(bad)) << bad;
    EXPECT_TRUE(isDecimal("0"));
    EXPECT_TRUE(isDecimal("86400"));
    EXPECT_FALSE(isDecimal("86400s"));
    EXPECT_FALSE(isDecimal(""));
    EXPECT_FALSE(isDecimal("12345678901"));
}

TEST(Validate, Names)
{
    for (const char *ok : {"br0", "eth2.2", "apclii0", "ppp0", "eth0:1", "a23456789012345"})
        EXPECT_TRUE(isIfName(ok)) << ok;
    for (const char *bad : {"", "-i", "a234567890123456", "eth 0", "eth0;", "../x", "eth/0"})
        EXPECT_FALSE(isIfName(bad)) << bad;
    for (const char *ok : {"router", "My-Router_2", "gw.example.net", "1router"})
        EXPECT_TRUE(isHostName(ok)) << ok;
    for (const char *bad : {"", "-F", ".hidden", "a b", "host;reboot", "h\n", "x$(id)"})
        EXPECT_FALSE(isHostName(bad)) << bad;
    EXPECT_TRUE(isHostName(std::string(64, 'h')));
    EXPECT_FALSE(isHostName(std::string(65, 'h')));
}

TEST(Validate, OneLine)
{
    EXPECT_TRUE(isOneLine(""));
    EXPECT_TRUE(isOneLine("utf-8 \xc3\xa9 and blanks "));
    EXPECT_FALSE(isOneLine("a\nb"));
    EXPECT_FALSE(isOneLine("a\rb"));
    EXPECT_FALSE(isOneLine("a\x7f"));
    EXPECT_FALSE(isOneLine("\t"));
}

// Every form inet_aton and ether_aton read, and nothing after them.
TEST(Validate, AddressesAsTheCLibraryReadsThem)
{
    for (const char *ok : {"192.168.1.2", "192.168.010.1", "0xC0.0xa8.1.2", "10.1", "10.1.2", "3232235777", "0", "00",
                           "0377.0.0.0", "0xffffffff", "10.0xffffff", "255.255.65535"})
        EXPECT_TRUE(qavo::validate::isInetAddr(ok)) << ok;
    for (const char *bad : {"",           ".",           "1.",       ".1",       "1..2",      "1.2.3.4.5",
                            "256.1.1.1",  "08.1.1.1",    "0x",       "0x.1",     "1.2.3.256", "10.16777216",
                            "4294967296", "0x100000000", "1.2.3.4 ", " 1.2.3.4", "1.2.3.4\n", "1.2.3.4 junk",
                            "-1.2.3.4",   "1.2.3.4/24",  "a.b.c.d",  "1.2.3.0x"})
        EXPECT_FALSE(qavo::validate::isInetAddr(bad)) << bad;
    for (const char *ok : {"00:11:22:33:44:55", "0:1:2:3:4:5", "a:B:cc:DD:e:F"})
        EXPECT_TRUE(qavo::validate::isEtherAddr(ok)) << ok;
    for (const char *bad : {"", "0:1:2:3:4", "0:1:2:3:4:5:6", "000:1:2:3:4:5", "0:1:2:3:4:5 ", "0::2:3:4:5",
                            "g:1:2:3:4:5", "0-1-2-3-4-5"})
        EXPECT_FALSE(qavo::validate::isEtherAddr(bad)) << bad;
}
