// The udhcpd configuration: exact lines, static leases, and settings that try to add lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "networkconfig/dhcpd_config.h"
#include "networkconfig/handlers.h"
#include "tests/support/store_fixture.h"

using namespace networkconfig;

namespace {

const char kFixedLines[] = "start 192.168.10.100\n"
                           "end 192.168.10.200\n"
                           "interface br0\n"
                           "option subnet 255.255.255.0\n"
                           "option dns 192.168.10.1 8.8.8.8\n"
                           "option router 192.168.10.1\n"
                           "option lease 86400\n"
                           "lease_file /var/udhcpd.leases\n";

struct DroppedLineCase {
    const char *key;
    const char *value;
    const char *droppedLine;
};

class UdhcpdConfig : public StoreTest {
protected:
    // Each case stores one bad value in a fresh store: the file is written without that
    // setting's line only, and the refusal names the setting.
    void expectOnlyTheirLinesDropped(const std::vector<DroppedLineCase> &cases)
    {
        for (const DroppedLineCase &c : cases) {
            SCOPED_TRACE(c.key);
            set(c.key, c.value);
            testing::internal::CaptureStderr();
            std::string file = write();
            std::string err = testing::internal::GetCapturedStderr();
            std::string expected = kFixedLines;
            expected.erase(expected.find(c.droppedLine), strlen(c.droppedLine));
            EXPECT_EQ(file, expected);
            EXPECT_NE(err.find(std::string("Error: setting ") + c.key), std::string::npos) << err;
            TearDown(); // a fresh store for the next case
            SetUp();
        }
    }

    void SetUp() override
    {
        StoreTest::SetUp();
        set("dhcpEnabled", "1");
        set("dhcpStart", "192.168.10.100");
        set("dhcpEnd", "192.168.10.200");
        set("dhcpMask", "255.255.255.0");
        set("dhcpPriDns", "192.168.10.1");
        set("dhcpSecDns", "8.8.8.8");
        set("dhcpGateway", "192.168.10.1");
        set("dhcpLease", "86400");
        path_ = root_ + "/udhcpd.conf";
    }

    std::string write()
    {
        EXPECT_TRUE(writeUdhcpdFile(path_.c_str(), "br0"));
        return qavo::test::readFile(path_);
    }

    std::string path_;
};

} // namespace

TEST_F(UdhcpdConfig, FixedLinesThenOneStaticLeasePerCompleteRecord)
{
    set("staticDhcpEnabled", "1");
    set("staticDhcpRules", "00:11:22:33:44:55,192.168.10.50;aa:bb:cc:dd:ee:ff;"
                           "66:77:88:99:AA:BB,192.168.10.51,comment");
    EXPECT_EQ(write(), std::string(kFixedLines) + "static_lease 00:11:22:33:44:55 192.168.10.50\n"
                                                  "static_lease 66:77:88:99:AA:BB 192.168.10.51\n");
}

TEST_F(UdhcpdConfig, StaticLeasesOffOrAbsentWriteNoLeaseLine)
{
    set("staticDhcpRules", "00:11:22:33:44:55,192.168.10.50");
    EXPECT_EQ(write(), kFixedLines); // staticDhcpEnabled not set
    set("staticDhcpEnabled", "0");
    EXPECT_EQ(write(), kFixedLines);
}

TEST_F(UdhcpdConfig, EmptySecondDnsLeavesAnEmptyField)
{
    set("dhcpSecDns", "");
    std::string file = write();
    EXPECT_NE(file.find("\noption dns 192.168.10.1 \n"), std::string::npos) << file;
}

TEST_F(UdhcpdConfig, ALineBreakInAnySettingDropsOnlyItsOwnLine)
{
    expectOnlyTheirLinesDropped({
        {"dhcpStart", "192.168.10.100\noption router 6.6.6.6", "start 192.168.10.100\n"},
        {"dhcpEnd", "192.168.10.200\r\nstatic_lease 1", "end 192.168.10.200\n"},
        {"dhcpMask", "255.255.255.0\nx", "option subnet 255.255.255.0\n"},
        {"dhcpGateway", "6.6.6.6\nx", "option router 192.168.10.1\n"},
        {"dhcpLease", "10\nx", "option lease 86400\n"},
    });
}

TEST_F(UdhcpdConfig, AValueNotOfItsKindDropsOnlyItsOwnLine)
{
    expectOnlyTheirLinesDropped({
        {"dhcpStart", "192.168.10.100 option", "start 192.168.10.100\n"},
        {"dhcpEnd", "192.168.10.300", "end 192.168.10.200\n"},
        {"dhcpMask", "255.255.255.0/24", "option subnet 255.255.255.0\n"},
        {"dhcpGateway", "-1.2.3.4", "option router 192.168.10.1\n"},
        {"dhcpLease", "1 day", "option lease 86400\n"},
    });
}

// A DNS server that cannot be served leaves only its own field empty; the other server
// stays on the line.
TEST_F(UdhcpdConfig, ARefusedDnsServerLeavesTheOther)
{
    struct Case {
        const char *key, *value, *line;
    } cases[] = {
        {"dhcpPriDns", "1.1.1.1\nx", "option dns  8.8.8.8\n"},
        {"dhcpPriDns", "dns.example", "option dns  8.8.8.8\n"},
        {"dhcpSecDns", "1.1.1.1\nx", "option dns 192.168.10.1 \n"},
        {"dhcpSecDns", "8.8.8.8 9.9.9.9", "option dns 192.168.10.1 \n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value);
        set(c.key, c.value);
        testing::internal::CaptureStderr();
        std::string file = write();
        std::string err = testing::internal::GetCapturedStderr();
        std::string expected = kFixedLines;
        expected.replace(expected.find("option dns"), strlen("option dns 192.168.10.1 8.8.8.8\n"), c.line);
        EXPECT_EQ(file, expected);
        EXPECT_NE(err.find(std::string("Error: setting ") + c.key), std::string::npos) << err;
        set("dhcpPriDns", "192.168.10.1");
        set("dhcpSecDns", "8.8.8.8");
    }
}

// udhcpd reads addresses as inet_aton does and MACs as ether_aton does: every form they
// read keeps its line, byte for byte.
TEST_F(UdhcpdConfig, AddressesInEveryFormUdhcpdReadsKeepTheirLines)
{
    set("dhcpStart", "192.168.010.100");
    set("dhcpEnd", "0xc0.0xa8.10.200");
    set("dhcpMask", "255.255.255.00");
    set("dhcpPriDns", "192.168.010.1");
    set("dhcpGateway", "3232238081");
    set("staticDhcpEnabled", "1");
    set("staticDhcpRules", "0:11:2:33:a:B5,192.168.10.050");
    testing::internal::CaptureStderr();
    std::string file = write();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(file, "start 192.168.010.100\n"
                    "end 0xc0.0xa8.10.200\n"
                    "interface br0\n"
                    "option subnet 255.255.255.00\n"
                    "option dns 192.168.010.1 8.8.8.8\n"
                    "option router 3232238081\n"
                    "option lease 86400\n"
                    "lease_file /var/udhcpd.leases\n"
                    "static_lease 0:11:2:33:a:B5 192.168.10.050\n");
}

TEST_F(UdhcpdConfig, EmptySettingsLeaveEmptyFields)
{
    for (const char *key : {"dhcpStart", "dhcpEnd", "dhcpMask", "dhcpPriDns", "dhcpGateway", "dhcpLease"})
        set(key, "");
    EXPECT_EQ(write(), "start \nend \ninterface br0\noption subnet \noption dns  8.8.8.8\noption router \n"
                       "option lease \nlease_file /var/udhcpd.leases\n");
}

TEST_F(UdhcpdConfig, AStaticLeaseWithAFieldNotOfItsKindIsLeftOut)
{
    set("staticDhcpEnabled", "1");
    set("staticDhcpRules", "00:11:22:33:44:55 00:11:22:33:44:56,192.168.10.50;"
                           "00:11:22:33:44:56,192.168.10.51 192.168.10.52;"
                           "00:11:22:33:44:57,;"
                           "00:11:22:33:44:58,192.168.10.58");
    testing::internal::CaptureStderr();
    std::string file = write();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(file, std::string(kFixedLines) + "static_lease 00:11:22:33:44:58 192.168.10.58\n");
    EXPECT_NE(err.find("Error: setting staticDhcpRules is not a MAC address"), std::string::npos) << err;
    EXPECT_NE(err.find("Error: setting staticDhcpRules is not an IPv4 address"), std::string::npos) << err;
}

TEST_F(UdhcpdConfig, ALineBreakInAStaticLeaseDropsThatLeaseOnly)
{
    set("staticDhcpEnabled", "1");
    set("staticDhcpRules", "00:11:22:33:44:55\nstart 6.6.6.6,192.168.10.50;"
                           "00:11:22:33:44:56,192.168.10.51\rstart 6.6.6.6;"
                           "00:11:22:33:44:57,192.168.10.52");
    testing::internal::CaptureStderr();
    std::string file = write();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(file, std::string(kFixedLines) + "static_lease 00:11:22:33:44:57 192.168.10.52\n");
    EXPECT_NE(err.find("Error: setting staticDhcpRules"), std::string::npos) << err;
}

TEST_F(UdhcpdConfig, UnwritableDirectoryLeavesNoFileAndReportsIt)
{
    std::string missing = root_ + "/no-such-dir/udhcpd.conf";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(writeUdhcpdFile(missing.c_str(), "br0"));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\r\nopen udhcpd  config file error");
}

TEST_F(UdhcpdConfig, ServiceOffOrPlatformWithoutServerWritesNothing)
{
    // Both refusals come before the fixed path is opened, so the host's file is safe.
    EXPECT_EQ(writeUdhcpdConfig(2, "br0"), 0);
    set("dhcpEnabled", "0");
    EXPECT_EQ(writeUdhcpdConfig(4, "br0"), 0);
    set("dhcpEnabled", "");
    EXPECT_EQ(writeUdhcpdConfig(4, "br0"), 0);
}
