// What the status probes read from the PHY tool's and iwconfig's output.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "lib/probe_output.h"
#include "tests/support/test_files.h"

namespace {

using qavo::probe::Verdict;

Verdict onText(const std::string &text, Verdict read(FILE *))
{
    std::string copy = text;
    FILE *stream = copy.empty() ? fopen("/dev/null", "re") : fmemopen(copy.data(), copy.size(), "r");
    EXPECT_NE(nullptr, stream);
    if (!stream)
        return Verdict::NoFile;
    Verdict verdict = read(stream);
    fclose(stream);
    return verdict;
}

TEST(ProbeOutput, ThirdRegisterDigitDecidesTheLink)
{
    const struct {
        std::string output;
        Verdict verdict;
    } cases[] = {
        {"Get: phy[4].reg[1] = 7929\n", Verdict::Yes},
        {"Get: phy[4].reg[1] = 7939\n", Verdict::Yes},
        {"Get: phy[4].reg[1] = 7969\n", Verdict::Yes},
        {"Get: phy[4].reg[1] = 7979\n", Verdict::Yes},
        {"Get: phy[4].reg[1] = 7909\n", Verdict::No},
        {"Get: phy[4].reg[1] = 7919\n", Verdict::No},
        {"Get: phy[4].reg[1] = 7949\n", Verdict::No},
        {"Get: phy[4].reg[1] = 7959\n", Verdict::No},
        {"Get: phy[4].reg[1] = 7989\n", Verdict::No},
        {"Get: phy[4].reg[1] = 7999\n", Verdict::No},
        {"Get: phy[4].reg[1] = 79a9\n", Verdict::No}, // a letter reads as 0
        {"Get: phy[4].reg[1] = 79E9\n", Verdict::No},
        {"Get: phy[4].reg[1] = 7962", Verdict::Yes}, // no line end
        {"x = 0020\nx = 0000\n", Verdict::No},       // the last line counts
        {"x = 0000\nx = 0020\n", Verdict::Yes},
        {"x = 0020\nno value here\n", Verdict::Yes}, // a line without "=" says nothing
        {"x = 00\n", Verdict::No},                   // value cut short
        {"x = 0020 = 0000\n", Verdict::Yes},         // the first "=" counts
        {"", Verdict::No},
        {"mii_mgr: unknown option\n", Verdict::No},
        {std::string(600, 'z') + "x = 0020\n", Verdict::No}, // the rest of a long line is skipped
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.output);
        EXPECT_EQ(c.verdict, onText(c.output, qavo::probe::phyLink));
    }
}

TEST(ProbeOutput, AssociationFromIwconfig)
{
    const struct {
        const char *output;
        Verdict verdict;
    } cases[] = {
        {"apcli0    RTWIFI SoftAP  ESSID:\"home\"\n          Mode:Managed  Access Point: 00:11:22:33:44:55\n",
         Verdict::Yes},
        {"apcli0    RTWIFI SoftAP  ESSID:\"\"\n          Mode:Managed  Access Point: Not-Associated\n", Verdict::No},
        {"Not-Associated", Verdict::No},
        {"\n", Verdict::Yes}, // non-empty output without the words
        {"", Verdict::No},    // nothing printed: no such interface
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.output);
        EXPECT_EQ(c.verdict, onText(c.output, qavo::probe::associated));
    }
}

// What can stand in the way of a probe of one output file: things at the output and lock
// paths, and an earlier probe whose tool hangs with the lock held.
TEST(ProbeRun, OnlyItsOwnPlainFileAndABoundedWait)
{
    alarm(60); // a probe that blocks (on a FIFO, on a held lock) ends the test as failed
    enum Setup { Plain, LinkAtOutput, FifoAtOutput, LinkAtLock, OtherUsersOutput, HungProbe };
    const struct {
        const char *what;
        Setup setup;
        bool runs; // and reads the link the tool printed
    } cases[] = {
        {"a plain file", Plain, true},
        {"a link at the output", LinkAtOutput, false},
        {"a FIFO at the output", FifoAtOutput, false},
        {"a link at the lock file runs unlocked", LinkAtLock, true},
        {"another user's file at the output", OtherUsersOutput, false},
        {"an earlier probe hangs holding the lock", HungProbe, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        qavo::test::TempDir dir("probe");
        const std::string output = dir / "wanConnectStatus", kept = dir / "kept", absent = dir / "absent";
        qavo::test::writeFile(kept, "kept\n");
        qavo::test::writeFile(output, "");
        int made = c.setup == LinkAtOutput   ? unlink(output.c_str()) + symlink(kept.c_str(), output.c_str())
                   : c.setup == FifoAtOutput ? unlink(output.c_str()) + mkfifo(output.c_str(), 0600)
                   : c.setup == LinkAtLock   ? symlink(absent.c_str(), (output + ".lock").c_str())
                                             : 0;
        ASSERT_EQ(0, made);
        if (c.setup == OtherUsersOutput && chown(output.c_str(), 65534, 65534) != 0)
            continue; // only a real root can give a file away
        std::unique_ptr<qavo::RunLock> hung;
        if (c.setup == HungProbe)
            hung = std::make_unique<qavo::RunLock>(qavo::RunLock::Beside{output.c_str()}, "hung probe", 1000);
        bool ran = false;
        testing::internal::CaptureStderr();
        Verdict verdict = qavo::probe::runProbe(
            [&] {
                ran = true; // as the shell's ">" does
                FILE *out = fopen(output.c_str(), "w");
                fputs("Get: phy[4].reg[1] = 7929\n", out);
                return fclose(out);
            },
            output.c_str(), qavo::probe::phyLink);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.runs ? Verdict::Yes : Verdict::NoFile, verdict);
        EXPECT_EQ(c.runs, ran);
        EXPECT_EQ(c.runs, err.find("Error: " + output) == std::string::npos) << err;
        EXPECT_EQ("kept\n", qavo::test::readFile(kept));
        EXPECT_NE(0, access(absent.c_str(), F_OK)) << "a link's target was created";
    }
    alarm(0);
}

} // namespace
