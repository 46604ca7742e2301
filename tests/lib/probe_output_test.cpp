// What the status probes read from the PHY tool's and iwconfig's output.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "lib/probe_output.h"

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

} // namespace
