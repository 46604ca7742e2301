// qv_sub hands the subscriber exactly its host and filter, whatever they hold, or refuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "qavo/mqtt.h"

namespace {

// A qavo_sub on PATH that writes its arguments, one per line, to a file.
class SubscriberLaunch : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/qavo-sub-XXXXXX";
        dir_ = mkdtemp(pattern);
        std::ofstream(dir_ + "/qavo_sub") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > " << dir_ << "/args.tmp && mv " << dir_
                                          << "/args.tmp " << dir_ << "/args\n";
        chmod((dir_ + "/qavo_sub").c_str(), 0755);
        oldPath_ = getenv("PATH");
        setenv("PATH", (dir_ + ":" + oldPath_).c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", oldPath_.c_str(), 1);
        ASSERT_EQ(system(("rm -rf '" + dir_ + "'").c_str()), 0);
    }
    // The arguments the background subscriber got (waits up to two seconds for it).
    std::string arguments()
    {
        for (int i = 0; i < 200 && access((dir_ + "/args").c_str(), F_OK) != 0; ++i)
            usleep(10000);
        std::ifstream in(dir_ + "/args");
        std::stringstream s;
        s << in.rdbuf();
        unlink((dir_ + "/args").c_str());
        return s.str();
    }
    std::string dir_, oldPath_;
};

TEST_F(SubscriberLaunch, WholeTreeAndHostileTextsArriveUnchanged)
{
    EXPECT_EQ(qv_sub("127.0.0.1", "#"), 0);
    EXPECT_EQ(arguments(), "-h\n127.0.0.1\n-t\npelvanto/router/#\n");
    EXPECT_EQ(qv_sub("host;touch /tmp/qavo-pwned", "lan/$(id)'x'"), 0);
    EXPECT_EQ(arguments(), "-h\nhost;touch /tmp/qavo-pwned\n-t\npelvanto/router/lan/$(id)'x'\n");
    EXPECT_NE(access("/tmp/qavo-pwned", F_OK), 0);
}

TEST_F(SubscriberLaunch, RefusesWhatCannotMakeACommand)
{
    EXPECT_EQ(qv_sub("", "#"), -1);
    EXPECT_EQ(qv_sub(nullptr, "#"), -1);
    EXPECT_EQ(qv_sub("127.0.0.1", nullptr), -1);
    EXPECT_EQ(qv_sub("127.0.0.1", std::string(240, 's').c_str()), -1) << "the line would pass 255 characters";
    usleep(100000);
    EXPECT_NE(access((dir_ + "/args").c_str(), F_OK), 0) << "a refused launch started something";
}

} // namespace
