// The readers of the kernel's text tables and the resolver files, on fixture texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "lib/proc_tables.h"

namespace {

// A read-only stream over text, closed when the holder goes.
class TextStream {
public:
    explicit TextStream(const std::string &text) : text_(text) { stream_ = fmemopen(text_.data(), text_.size(), "r"); }
    ~TextStream() { fclose(stream_); }
    operator FILE *() const { return stream_; }

private:
    std::string text_;
    FILE *stream_;
};

const char kNetDev[] = "Inter-|   Receive                            |  Transmit\n"
                       " face |bytes    packets errs drop fifo frame compressed multicast|bytes\n"
                       "    lo:  1000      10    0    0    0     0          0         0  1000\n"
                       "eth2.2:   500       5    0    0    0     0          0         0   500\n"
                       "   br0:     0       0    0    0    0     0          0         0     0\n";

TEST(DeviceListed, WholeNameBeforeTheColon)
{
    EXPECT_TRUE(qavo::proc::deviceListed(TextStream(kNetDev), "lo"));
    EXPECT_TRUE(qavo::proc::deviceListed(TextStream(kNetDev), "eth2.2"));
    EXPECT_TRUE(qavo::proc::deviceListed(TextStream(kNetDev), "br0"));
    EXPECT_FALSE(qavo::proc::deviceListed(TextStream(kNetDev), "eth2"));
    EXPECT_FALSE(qavo::proc::deviceListed(TextStream(kNetDev), "br"));
    EXPECT_FALSE(qavo::proc::deviceListed(TextStream(kNetDev), ""));
    // The two header lines are never read as devices.
    EXPECT_FALSE(
        qavo::proc::deviceListed(TextStream(kNetDev), "Inter-|   Receive                            |  Transmit\n"));
    EXPECT_FALSE(qavo::proc::deviceListed(TextStream("lo: 1\n"), "lo"));
}

const char kArp[] = "IP address       HW type     Flags       HW address            Mask     Device\n"
                    "192.168.1.100    0x1         0x2         00:11:22:aa:bb:cc     *        br0\n"
                    "192.168.1.10     0x1         0x2         00:11:22:aa:bb:dd     *        br0\n"
                    "10.0.2.2         0x1         0x0\n";

TEST(ArpAnswer, ByIpAndByHardwareAddress)
{
    using qavo::proc::ArpKey;
    char out[18] = "default";
    EXPECT_TRUE(qavo::proc::arpAnswer(TextStream(kArp), "192.168.1.10", ArpKey::IpAddress, out, sizeof out));
    EXPECT_STREQ("00:11:22:aa:bb:dd", out);
    char ip[16] = "default";
    EXPECT_TRUE(qavo::proc::arpAnswer(TextStream(kArp), "00:11:22:aa:bb:cc", ArpKey::HardwareAddress, ip, sizeof ip));
    EXPECT_STREQ("192.168.1.100", ip);
    // Exact and case-sensitive; a line of three words is no answer.
    strcpy(ip, "default");
    EXPECT_FALSE(qavo::proc::arpAnswer(TextStream(kArp), "00:11:22:AA:BB:CC", ArpKey::HardwareAddress, ip, sizeof ip));
    EXPECT_FALSE(qavo::proc::arpAnswer(TextStream(kArp), "192.168.1.1", ArpKey::IpAddress, out, sizeof out));
    EXPECT_FALSE(qavo::proc::arpAnswer(TextStream(kArp), "10.0.2.2", ArpKey::IpAddress, out, sizeof out));
    EXPECT_STREQ("default", ip);
}

TEST(ArpAnswer, AnswerThatDoesNotFitIsNone)
{
    char out[18] = "default";
    EXPECT_FALSE(qavo::proc::arpAnswer(TextStream("h\n1.2.3.4 1 2 00:11:22:33:44:55:66 * br0\n"), "1.2.3.4",
                                       qavo::proc::ArpKey::IpAddress, out, sizeof out));
    EXPECT_STREQ("default", out);
}

const char kRouteHeader[] = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

std::string route(const char *iface, const char *destination, const char *gateway, const char *flags,
                  const char *mask = "00000000")
{
    return std::string(iface) + "\t" + destination + "\t" + gateway + "\t" + flags + "\t0\t0\t0\t" + mask +
           "\t0\t0\t0\n";
}

struct GatewayCase {
    const char *what;
    std::string table;
    int result;
    const char *gateway;
};

TEST(DefaultGateway, Table)
{
    const GatewayCase cases[] = {
        {"one default route", route("eth2.2", "00000000", "0202000A", "0003"), 1, "10.0.2.2"},
        {"first of two defaults",
         route("eth2.2", "00000000", "0102000A", "0003") + route("ppp0", "00000000", "0202000A", "0003"), 1,
         "10.0.2.1"},
        {"only a non-default up route with a gateway", route("br0", "0001A8C0", "FE01A8C0", "0003", "00FFFFFF"), 1, ""},
        {"down default route skipped",
         route("eth2.2", "00000000", "0102000A", "0002") + route("ppp0", "00000000", "0202000A", "0003"), 1,
         "10.0.2.2"},
        {"default without a gateway", route("ppp0", "00000000", "00000000", "0001"), 1, ""},
        {"network route then default",
         route("br0", "0001A8C0", "00000000", "0001", "00FFFFFF") + route("eth2.2", "00000000", "FE02000A", "0003"), 1,
         "10.0.2.254"},
        {"empty table", "", 1, ""},
    };
    for (const GatewayCase &c : cases) {
        char out[16] = "x";
        EXPECT_EQ(c.result, qavo::proc::defaultGateway(TextStream(kRouteHeader + c.table), out, sizeof out)) << c.what;
        EXPECT_STREQ(c.gateway, out) << c.what;
    }
}

TEST(DefaultGateway, LineThatDoesNotParse)
{
    char out[16];
    EXPECT_EQ(0, qavo::proc::defaultGateway(TextStream(std::string(kRouteHeader) + "eth2.2\t00000000\t0102000A\n"), out,
                                            sizeof out));
    EXPECT_EQ(0, qavo::proc::defaultGateway(TextStream(std::string(kRouteHeader) + "garbage\n"), out, sizeof out));
}

TEST(DefaultGateway, TableThatCannotBeReadGivesEmptyText)
{
    char out[16] = "x";
    EXPECT_EQ(0, qavo::proc::defaultGateway(TextStream(""), out, sizeof out));
    EXPECT_STREQ("", out);
    // A directory opens as a stream but every read fails.
    FILE *directory = fopen("/", "r");
    ASSERT_NE(nullptr, directory);
    strcpy(out, "x");
    EXPECT_EQ(0, qavo::proc::defaultGateway(directory, out, sizeof out));
    EXPECT_STREQ("", out);
    fclose(directory);
}

TEST(NthNameserver, CountsServerLinesFromOne)
{
    const std::string resolver = "# written by the DNS setup\nsearch lan\nnameserver 8.8.8.8\nnameserver\t1.1.1.1 \n"
                                 "nameserver2001:db8::1\nnameserver 2001:db8:0:0:0:0:0:53\n";
    char out[16] = "x";
    EXPECT_TRUE(qavo::proc::nthNameserver(TextStream(resolver), 1, out, sizeof out));
    EXPECT_STREQ("8.8.8.8", out);
    EXPECT_TRUE(qavo::proc::nthNameserver(TextStream(resolver), 2, out, sizeof out));
    EXPECT_STREQ("1.1.1.1", out);
    // "nameserver2001:db8::1" is one word with no second word: not a server.
    char wide[40];
    EXPECT_TRUE(qavo::proc::nthNameserver(TextStream(resolver), 3, wide, sizeof wide));
    EXPECT_STREQ("2001:db8:0:0:0:0:0:53", wide);
    strcpy(out, "x");
    EXPECT_FALSE(qavo::proc::nthNameserver(TextStream(resolver), 3, out, sizeof out)); // does not fit 16 bytes
    EXPECT_STREQ("", out);
    for (int n : {0, -1, 4}) {
        strcpy(out, "x");
        EXPECT_FALSE(qavo::proc::nthNameserver(TextStream(resolver), n, out, sizeof out)) << n;
        EXPECT_STREQ("", out) << n;
    }
    EXPECT_FALSE(qavo::proc::nthNameserver(TextStream("nameserver 8.8.8.8\n"), 2, out, sizeof out));
}

TEST(FactoryPartition, FirstNumberedLineNamingFactory)
{
    const char mtd[] = "dev:    size   erasesize  name\n"
                       "mtd0: 01000000 00010000 \"ALL\"\n"
                       "mtd1: 00030000 00010000 \"Bootloader\"\n"
                       "mtd2: 00010000 00010000 \"Factory\"\n"
                       "mtd3: 00010000 00010000 \"Factory\"\n";
    EXPECT_EQ(2, qavo::proc::factoryPartition(TextStream(mtd)));
    EXPECT_EQ(12, qavo::proc::factoryPartition(TextStream("mtd12: 00010000 00010000 \"Factory\"\n")));
    EXPECT_EQ(-1, qavo::proc::factoryPartition(TextStream("dev: size erasesize name \"Factory\"\n")));
    EXPECT_EQ(-1, qavo::proc::factoryPartition(TextStream("mtd-1: 0 0 \"Factory\"\n")));
    EXPECT_EQ(-1, qavo::proc::factoryPartition(TextStream("mtd99999999999: 0 0 \"Factory\"\n")));
    EXPECT_EQ(-1, qavo::proc::factoryPartition(TextStream("")));
    // The tail of an over-long line is not a line of its own.
    EXPECT_EQ(-1, qavo::proc::factoryPartition(TextStream("mtd1: " + std::string(80, 'x') + "mtd7: \"Factory\"\n")));
}

TEST(FlashSizeMiB, FirstThreeDigitsOfPartitionZero)
{
    EXPECT_EQ(16, qavo::proc::flashSizeMiB("dev: size erasesize name\nmtd0: 01000000 00010000 \"ALL\"\n"));
    EXPECT_EQ(8, qavo::proc::flashSizeMiB("mtd0: 00800000 00010000 \"ALL\"\n"));
    EXPECT_EQ(32, qavo::proc::flashSizeMiB("mtd0: 02000000"));
    EXPECT_EQ(0, qavo::proc::flashSizeMiB("mtd1: 01000000 00010000 \"Kernel\"\n"));
    EXPECT_EQ(1, qavo::proc::flashSizeMiB("mtd0: 1")); // dump ends inside the digits
    EXPECT_EQ(0, qavo::proc::flashSizeMiB("mtd0: "));
    EXPECT_EQ(0, qavo::proc::flashSizeMiB(""));
}

} // namespace
