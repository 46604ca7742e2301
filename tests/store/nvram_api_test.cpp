// The store's operations within one process and across processes.
#include <nvram.h>

#include <string>
#include <vector>

#include "tests/store/store_test_support.h"

namespace {

using qavo::test::readInNewProcess;

class NvramApi : public qavo::test::StoreRoot {
protected:
    void SetUp() override
    {
        StoreRoot::SetUp();
        installFactoryDefaults();
        // The process keeps sections in memory; load this test's store.
        ASSERT_EQ(nvram_init(0), 0);
        ASSERT_EQ(nvram_init(1), 0);
    }
};

TEST_F(NvramApi, UnknownKeysSectionsAndNullKeysReadAsEmptyText)
{
    ASSERT_NE(nvram_bufget(0, "neverSetAnywhere"), nullptr);
    EXPECT_STREQ(nvram_bufget(0, "neverSetAnywhere"), "");
    EXPECT_STREQ(nvram_get(0, "neverSetAnywhere"), "");
    EXPECT_STREQ(nvram_bufget(2, "lan_ipaddr"), "");
    EXPECT_STREQ(nvram_bufget(-1, "lan_ipaddr"), "");
    EXPECT_STREQ(nvram_bufget(0, nullptr), "");
    EXPECT_EQ(nvram_bufset(2, "k", "v"), -1);
    EXPECT_EQ(nvram_bufset(0, "", "v"), -1);
    EXPECT_EQ(nvram_bufset(0, nullptr, "v"), -1);
    EXPECT_EQ(nvram_bufset(0, "k", nullptr), -1);
    EXPECT_EQ(nvram_commit(5), -1);
}

TEST_F(NvramApi, FactoryDefaultsSeedAnEmptyStore)
{
    EXPECT_STREQ(nvram_bufget(0, "OperationMode"), "1");
    EXPECT_STREQ(nvram_bufget(0, "wanConnectionMode"), "DHCP");
    EXPECT_STREQ(nvram_bufget(0, "lan_ipaddr"), "192.168.1.1");
    EXPECT_STREQ(nvram_bufget(0, "dhcpLease"), "86400");
    EXPECT_STREQ(nvram_bufget(1, "WiFiOff"), "0");
    // Reads work without nvram_init, from the defaults, in a fresh process.
    EXPECT_EQ(readInNewProcess("2860", "dhcpStart"), "192.168.1.100");
    // nvram_init prepared the runtime copy.
    EXPECT_TRUE(exists("/var/nvram/section0"));
    EXPECT_TRUE(exists("/var/nvram/section1"));
}

TEST_F(NvramApi, FactoryDefaultsHoldEveryKeyTheRouterReads)
{
    const char *const section0Keys[] = {"OperationMode",     "wanConnectionMode",
                                        "wispInterface",     "wan3gmodel",
                                        "WanPhyNum",         "WiFiOff",
                                        "lan_ipaddr",        "lan_netmask",
                                        "lan_gateway",       "LanAutoDhcp",
                                        "HostName",          "lltdEnabled",
                                        "radvdEnabled",      "upnpEnabled",
                                        "igmpEnabled",       "dhcpEnabled",
                                        "dhcpStart",         "dhcpEnd",
                                        "dhcpMask",          "dhcpPriDns",
                                        "dhcpSecDns",        "dhcpGateway",
                                        "dhcpLease",         "staticDhcpEnabled",
                                        "staticDhcpRules",   "NTPClientEnabled",
                                        "macCloneEnabled",   "macCloneMac",
                                        "wan_ipaddr",        "wan_netmask",
                                        "wan_static_mtu",    "wan_gateway",
                                        "wan_dhcp_mtu",      "wan_dhcp_hn",
                                        "wan_pppoe_opmode",  "wan_pppoe_user_mm",
                                        "wan_pppoe_pass",    "wan_pppoe_optime",
                                        "wan_pppoe_mtu",     "wan_l2tp_user",
                                        "wan_l2tp_pass",     "wan_l2tp_server",
                                        "wan_l2tp_mode",     "wan_l2tp_ip",
                                        "wan_l2tp_netmask",  "wan_l2tp_gateway",
                                        "wan_pptp_user",     "wan_pptp_pass",
                                        "wan_pptp_server",   "wan_pptp_opmode",
                                        "wan_pptp_optime",   "wan_pptp_mode",
                                        "wan_pptp_ip",       "wan_pptp_netmask",
                                        "wan_pptp_gateway",  "wan_dns_mode",
                                        "wan_primary_dns",   "wan_secondary_dns",
                                        "RoutingRules",      "dial3gstatus",
                                        "ApCliEnable",       "SSID1",
                                        "WscSSID",           "BssidNum",
                                        "AuthMode",          "IEEE8021X",
                                        "LanguageType",      "Led_sys",
                                        "Led_sys_red",       "Led_usb",
                                        "Usb_gpio_classify", "PrinterSrvEnabled",
                                        "SmbEnabled",        "UsbFisrtPart"};
    const std::string defaults = readFile("/etc_ro/nvram/section0.defaults");
    for (const char *key : section0Keys) {
        EXPECT_NE(defaults.find("\n" + std::string(key) + "="), std::string::npos) << key;
    }
    for (const char *key : {"WiFiOff", "ApCliEnable", "BssidNum", "AuthMode", "IEEE8021X"}) {
        EXPECT_NE(readFile("/etc_ro/nvram/section1.defaults").find(std::string(key) + "="), std::string::npos) << key;
    }
}

TEST_F(NvramApi, ReturnedStringsStayValidAndUnchanged)
{
    ASSERT_EQ(nvram_bufset(0, "HostName", "first"), 0);
    const char *first = nvram_bufget(0, "HostName");
    const char *untouched = nvram_bufget(0, "lan_ipaddr");
    ASSERT_EQ(nvram_bufset(0, "HostName", "second, and longer than before"), 0);
    const char *second = nvram_bufget(0, "HostName");
    EXPECT_STREQ(first, "first");
    EXPECT_STREQ(second, "second, and longer than before");
    // Another process changes the key; reloading shows it and keeps old texts.
    ASSERT_EQ(qavo::test::runProgram("nvram_set", {"0", "HostName", "third"}).exitCode, 0);
    ASSERT_EQ(nvram_init(0), 0);
    EXPECT_STREQ(nvram_bufget(0, "HostName"), "third");
    EXPECT_STREQ(first, "first");
    EXPECT_STREQ(second, "second, and longer than before");
    // Unchanged settings keep handing out the same string.
    EXPECT_EQ(nvram_bufget(0, "lan_ipaddr"), untouched);
    nvram_close(0);
    EXPECT_STREQ(nvram_bufget(0, "HostName"), "third");
}

TEST_F(NvramApi, BufsetIsSeenByLaterProcessesAndCommitSurvivesLossOfVar)
{
    ASSERT_EQ(nvram_bufset(0, "SSID1", "Committed"), 0);
    ASSERT_EQ(nvram_commit(0), 0);
    ASSERT_EQ(nvram_bufset(0, "UsbFisrtPart", "/media/sda1?"), 0);
    ASSERT_EQ(nvram_bufset(1, "WiFiOff", "1"), 0);
    EXPECT_EQ(readInNewProcess("0", "UsbFisrtPart"), "/media/sda1?");
    EXPECT_EQ(readInNewProcess("1", "WiFiOff"), "1");

    removeTree("/var"); // reboot
    EXPECT_EQ(readInNewProcess("2860", "SSID1"), "Committed");
    EXPECT_EQ(readInNewProcess("2860", "UsbFisrtPart"), "");
    EXPECT_EQ(readInNewProcess("1", "WiFiOff"), "0");
}

TEST_F(NvramApi, PersistentValuesAreCompletedWithNewFactoryDefaults)
{
    ASSERT_EQ(nvram_bufset(0, "lan_ipaddr", "10.0.0.1"), 0);
    ASSERT_EQ(nvram_commit(0), 0);
    removeTree("/var");
    // A firmware update brings a setting the persistent copy does not have.
    writeFile("/etc_ro/nvram/section0.defaults", readFile("/etc_ro/nvram/section0.defaults") + "newFeatureEnabled=1\n");
    ASSERT_EQ(nvram_init(0), 0);
    EXPECT_STREQ(nvram_bufget(0, "lan_ipaddr"), "10.0.0.1");
    EXPECT_STREQ(nvram_bufget(0, "newFeatureEnabled"), "1");
}

TEST_F(NvramApi, HostileKeysAndValuesRoundTripByteExact)
{
    const std::string big(8192, 'x');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"lines", "one\ntwo\n\nthree\n"},
        {"equals", "a=b==c="},
        {"hash", "#not a comment"},
        {"blanks", "  leading and trailing  "},
        {"utf8", "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC \xF0\x9F\x93\xB6"},
        {"carriage", "cr\rlf\r\n"},
        {"backslashes", "\\n is not a line feed \\\\ \\"},
        {"seal", "#seal 1 00000000"},
        {"empty", ""},
        {"big", big},
        {"key\nwith line feed", "v1"},
        {"key=with=equals", "v2"},
        {"#hash key", "v3"},
        {" blank key ", "v4"},
        {"back\\slash\\", "v5"},
        {"cr\rkey", "v6"},
        {"\xE2\x82\xAC-key", "v7"},
        {big + "-key", "v8"},
    };
    for (const auto &[key, value] : cases)
        ASSERT_EQ(nvram_bufset(0, key.c_str(), value.c_str()), 0);
    ASSERT_EQ(nvram_commit(0), 0);
    for (const auto &[key, value] : cases) {
        EXPECT_EQ(nvram_bufget(0, key.c_str()), value) << key;
        EXPECT_EQ(readInNewProcess("0", key), value) << key;
    }
    removeTree("/var"); // also from the persistent copy
    for (const auto &[key, value] : cases)
        EXPECT_EQ(readInNewProcess("0", key), value) << key;
}

} // namespace
