// Kernel interface queries on the loopback interface, which every host has, and the
// refusals that never reach the kernel or a shell. The router's own interfaces are
// covered by the system test helpers_kernel.
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "qavo/interfaces.h"

namespace {

TEST(InterfaceQueries, Loopback)
{
    char out[18] = "";
    EXPECT_EQ(0, getIfIp("lo", out));
    EXPECT_STREQ("127.0.0.1", out);
    EXPECT_EQ(0, getIfNetmask1("lo", out));
    EXPECT_STREQ("255.0.0.0", out);
    EXPECT_EQ(0, getIfMac("lo", out));
    EXPECT_STREQ("00:00:00:00:00:00", out);
    char shortMac[7];
    EXPECT_EQ(0, getAP6Mac("lo", shortMac));
    EXPECT_STREQ("000000", shortMac);
    EXPECT_EQ(1, getIfIsUp("lo"));
    EXPECT_EQ(0, getIfLive("lo"));
}

TEST(InterfaceQueries, MissingInterface)
{
    char out[18] = "keep";
    EXPECT_EQ(-1, getIfIp("qavo-none0", out));
    EXPECT_EQ(-1, getIfMac("qavo-none0", out));
    EXPECT_STREQ("keep", out);
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, getIfNetmask1("qavo-none0", out));
    EXPECT_EQ(-1, getIfIsUp("qavo-none0"));
    EXPECT_EQ(1, getIfLive("qavo-none0"));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("getIfNetmask: ioctl SIOCGIFNETMASK error\n: "));
    EXPECT_NE(std::string::npos, err.find("ioctl: "));
    EXPECT_NE(std::string::npos, err.find("getIfLive: device  not found: "));
    EXPECT_STREQ("keep", out);
}

TEST(InterfaceQueries, NamesOverTheKernelLimitAreRefused)
{
    // 16 characters whose first 15 would name "lo" padded... any cut name could be another
    // interface; "lo" followed by 14 characters must not read as "lo" cut short.
    const std::string longName = "lo" + std::string(14, 'x');
    char out[18] = "keep";
    EXPECT_EQ(-1, getIfIp(longName.c_str(), out));
    EXPECT_EQ(-1, getIfNetmask1(longName.c_str(), out));
    EXPECT_EQ(-1, getIfMac(longName.c_str(), out));
    EXPECT_EQ(-1, getAP6Mac(longName.c_str(), out));
    EXPECT_EQ(-1, getIfIsUp(longName.c_str()));
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, getIfNetmask(longName.c_str(), out));
    testing::internal::GetCapturedStderr();
    EXPECT_STREQ("keep", out);
    EXPECT_EQ(-1, getIfIp(nullptr, out));
    EXPECT_EQ(-1, getIfIsUp(nullptr));
}

TEST(InterfaceQueries, NetmaskPipelineNeverRunsANameAsACommand)
{
    char marker[] = "/tmp/qavo-netmask-XXXXXX";
    int fd = mkstemp(marker);
    close(fd);
    unlink(marker);
    for (const std::string &name :
         std::initializer_list<std::string>{"lo;touch " + std::string(marker), "$(touch " + std::string(marker) + ")",
                                            "`touch " + std::string(marker) + "`", std::string("-a")}) {
        char out[16] = "keep";
        testing::internal::CaptureStderr();
        EXPECT_EQ(-1, getIfNetmask(name.c_str(), out)) << name;
        EXPECT_NE("", testing::internal::GetCapturedStderr()) << name;
        EXPECT_STREQ("keep", out) << name;
    }
    EXPECT_NE(0, access(marker, F_OK));
}

} // namespace
