// Factory MAC repair on driver dumps: which units are repaired, the exact write commands
// and store update, the reboot only after they all succeeded, and dumps that write nothing.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "init/eeprom_mac.h"
#include "init/factory_mac.h"
#include "tests/support/command_recorder.h"

namespace {

using qavo::eeprom::Mac;
using Lines = std::vector<std::string>;

// A dump as the driver prints it: a header, then eight "[0xOOOO]:HHLL" words a line, for
// the first 0x100 bytes. Words outside the three MAC fields hold filler.
std::string driverDump(const Mac &wireless, const Mac &other, const Mac &wan, bool lowerCase = false)
{
    std::array<unsigned, 0x80> words;
    words.fill(0xffff);
    words[0] = 0x7620;
    auto put = [&](unsigned offset, const Mac &mac) {
        for (unsigned i = 0; i < 3; ++i)
            words[offset / 2 + i] = mac[2 * i + 1] << 8 | mac[2 * i];
    };
    put(0x04, wireless);
    put(0x28, other);
    put(0x2e, wan);
    std::string text = "ra0       e2p:\n";
    for (unsigned w = 0; w < words.size(); ++w) {
        char item[24];
        snprintf(item, sizeof item, lowerCase ? "[0x%04X]:%04x  " : "[0x%04X]:%04X  ", w * 2, words[w]);
        text += item;
        if (w % 8 == 7)
            text += "\n";
    }
    return text;
}

Lines writes(const char *w28, const char *w2a, const char *w2c, const char *w2e, const char *w30, const char *w32)
{
    return {std::string("iwpriv ra0 e2p 28=") + w28, std::string("iwpriv ra0 e2p 2a=") + w2a,
            std::string("iwpriv ra0 e2p 2c=") + w2c, std::string("iwpriv ra0 e2p 2e=") + w2e,
            std::string("iwpriv ra0 e2p 30=") + w30, std::string("iwpriv ra0 e2p 32=") + w32};
}

Lines then(Lines lines, const Lines &more)
{
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

struct Outcome {
    std::string output;
    Lines commands;
};

// The unit's EEPROM as the driver prints it: the dump, changed by every write command
// that succeeds ("iwpriv ra0 e2p OO=HHLL" puts HHLL after "[0x00OO]:").
std::string eeprom;

void readEeprom(char (&dump)[qavo::eeprom::kDumpSize])
{
    snprintf(dump, sizeof dump, "%s", eeprom.c_str());
}

int writeEeprom(const std::string &command)
{
    unsigned offset = 0xffff;
    char word[5] = "", marker[16];
    sscanf(command.c_str(), "iwpriv ra0 e2p %x=%4s", &offset, word);
    snprintf(marker, sizeof marker, "[0x%04X]:", offset);
    for (size_t i = 0, at = eeprom.find(marker); at != std::string::npos && i < 4; ++i)
        eeprom[at + 9 + i] = static_cast<char>(toupper(word[i]));
    return 0;
}

// Runs the repair on dump with the recorder's failures (set up by the caller) in front of
// the simulated EEPROM.
Outcome repair(const std::string &dump, qavo::test::CommandRecorder &recorder)
{
    eeprom = dump;
    recorder.on("iwpriv ra0 e2p ", writeEeprom);
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, qavo::factory::repairFromDump(dump, 0, readEeprom));
    return {testing::internal::GetCapturedStdout(), recorder.commands()};
}

constexpr Mac kMaker = {0x5a, 0x17, 0xc3, 0x12, 0x34, 0xff};
constexpr const char *kNoFix = "[Debug]Don't Need Fix Mac!\n";
constexpr const char *kNotMaker = "[Debug]Not dorvelin oui! Don't Need Fix Mac!\n";
constexpr const char *kUnreadable = "[Debug] get data from /tmp/e2p error!\n";
const Lines kRemoveOnly = {"rm -f /tmp/e2p"};

struct Case {
    const char *what;
    std::string dump;
    const char *output;
    Lines commands;
};

TEST(FactoryMac, DecisionAndCommandsByDump)
{
    const Case cases[] = {
        {"carry from the last byte into the fifth", driverDump(kMaker, kMaker, {0x5a, 0x17, 0xc3, 0x12, 0x34, 0x00}),
         "",
         then(writes("175a", "12c3", "ff34", "175a", "12c3", "0035"),
              {"nvram_set 2860 WAN_MAC_ADDR 5a:17:c3:12:35:00", "reboot -f"})},
        {"lower-case digits parse the same", driverDump(kMaker, kMaker, {0x5a, 0x17, 0xc3, 0x12, 0x34, 0x00}, true), "",
         then(writes("175a", "12c3", "ff34", "175a", "12c3", "0035"),
              {"nvram_set 2860 WAN_MAC_ADDR 5a:17:c3:12:35:00", "reboot -f"})},
        {"the carry stops at the maker's block",
         driverDump({0x6e, 0x90, 0x2d, 0xff, 0xff, 0xff}, {}, {0x6e, 0x90, 0x2d, 0xff, 0xff, 0xff}), "",
         then(writes("906e", "ff2d", "ffff", "906e", "002d", "0000"),
              {"nvram_set 2860 WAN_MAC_ADDR 6e:90:2d:00:00:00", "reboot -f"})},
        {"carry across two bytes, the other maker block", driverDump({0x6e, 0x90, 0x2d, 0x01, 0xff, 0xff}, {}, {}), "",
         then(writes("906e", "012d", "ffff", "906e", "022d", "0000"),
              {"nvram_set 2860 WAN_MAC_ADDR 6e:90:2d:02:00:00", "reboot -f"})},
        {"WAN field right, 0x0028 different: left alone",
         driverDump(kMaker, {1, 2, 3, 4, 5, 6}, {0x5a, 0x17, 0xc3, 0x12, 0x35, 0x00}), kNoFix, kRemoveOnly},
        {"another maker's OUI, WAN wildly different",
         driverDump({0x00, 0x0c, 0x43, 0x76, 0x20, 0x00}, {}, {0xde, 0xad, 0, 0, 0, 0}), kNotMaker, kRemoveOnly},
        {"OUI bytes of a maker block in another order", driverDump({0xc3, 0x17, 0x5a, 0x12, 0x34, 0xff}, {}, {}),
         kNotMaker, kRemoveOnly},
        {"empty dump", "", kUnreadable, kRemoveOnly},
        {"three characters", "abc", kUnreadable, kRemoveOnly},
        {"text without markers", "ra0: no such device\n", kUnreadable, kRemoveOnly},
        {"WAN marker missing on a maker's unit",
         "[0x0004]:175A [0x0006]:12C3 [0x0008]:FF34 [0x002E]:175A [0x0030]:12C3\n", kUnreadable, kRemoveOnly},
        {"WAN word with a digit that is not hexadecimal",
         "[0x0004]:175A [0x0006]:12C3 [0x0008]:FF34 [0x002E]:175A [0x0030]:12G3 [0x0032]:0035\n", kUnreadable,
         kRemoveOnly},
        {"word cut by the end of the dump", "[0x0004]:175A [0x0006]:12C3 [0x0008]:FF3", kUnreadable, kRemoveOnly},
        {"a sign is not a digit",
         "[0x0004]:175A [0x0006]:12C3 [0x0008]:FF34 [0x002E]:175A [0x0030]:12C3 [0x0032]:+035\n", kUnreadable,
         kRemoveOnly},
        {"only the first of two markers counts",
         "[0x0004]:175A [0x0006]:12C3 [0x0008]:FF34 [0x002E]:175A [0x0030]:12C3 [0x0032]:0035\n"
         "[0x0032]:0034\n",
         kNoFix, kRemoveOnly},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        qavo::test::CommandRecorder recorder;
        Outcome outcome = repair(c.dump, recorder);
        EXPECT_EQ(c.output, outcome.output);
        EXPECT_EQ(c.commands, outcome.commands);
        for (bool echo : recorder.echoes())
            EXPECT_FALSE(echo);
    }
}

TEST(FactoryMac, OnlyTheFirst4095BytesOfTheDumpAreExamined)
{
    std::string words = "[0x0004]:175A [0x0006]:12C3 [0x0008]:FF34 [0x002E]:175A [0x0030]:12C3 [0x0032]:0035";
    std::string padding(qavo::eeprom::kDumpSize - 1 - words.size(), ' ');
    {
        qavo::test::CommandRecorder recorder;
        EXPECT_EQ(kNoFix, repair(padding + words, recorder).output);
    }
    qavo::test::CommandRecorder recorder; // one byte more pushes the last word out
    EXPECT_EQ(kUnreadable, repair(padding + " " + words, recorder).output);
}

// A step of the repair that fails puts back the words already tried, so the unit is left
// as it was and the next boot tries again; it does not reboot, so it cannot loop.
TEST(FactoryMac, AFailedStepPutsTheOldWordsBackAndDoesNotReboot)
{
    const std::string dump = driverDump(kMaker, {1, 2, 3, 4, 5, 6}, {0x5a, 0x17, 0xc3, 0x12, 0x34, 0x00});
    const Lines repairs = writes("175a", "12c3", "ff34", "175a", "12c3", "0035");
    const Lines back = writes("0201", "0403", "0605", "175a", "12c3", "0034");
    const std::string store = "nvram_set 2860 WAN_MAC_ADDR 5a:17:c3:12:35:00";
    const struct {
        std::vector<std::pair<const char *, int>> fails; // commands that begin so, and their wait status
        Lines commands;
        const char *failed; // what the "failed" lines say
        bool asItWas;
    } failures[] = {
        {{{"iwpriv ra0 e2p 28=175a", 256}}, {repairs[0], back[0]}, "EEPROM word 0x0028 175a (exit status 1)", true},
        {{{"iwpriv ra0 e2p 32=0035", 9}}, then(repairs, back), "EEPROM word 0x0032 0035 (killed by signal 9)", true},
        // The driver says it wrote the word but did not.
        {{{"iwpriv ra0 e2p 2a=12c3", 0}}, then(repairs, back), "the EEPROM does not hold the words written", true},
        {{{"nvram_set ", 512}},
         then(then(repairs, {store}), back),
         "WAN_MAC_ADDR 5a:17:c3:12:35:00 not stored (exit status 2)",
         true},
        {{{"iwpriv ra0 e2p 32=0035", 256}, {"iwpriv ra0 e2p 28=0201", 256}},
         then(repairs, back),
         "EEPROM word 0x0032 0035 (exit status 1)\n[Debug]Fix Mac failed: EEPROM word 0x0028 0201 (exit status 1)",
         false},
    };
    for (const auto &f : failures) {
        SCOPED_TRACE(f.failed);
        qavo::test::CommandRecorder recorder;
        for (const auto &[command, status] : f.fails)
            recorder.on(command, [status = status](const std::string &) { return status; });
        Outcome outcome = repair(dump, recorder);
        EXPECT_EQ(f.commands, outcome.commands);
        EXPECT_EQ(std::string("[Debug]Fix Mac failed: ") + f.failed + "\n[Debug]Fix Mac: old EEPROM words " +
                      (f.asItWas ? "written back" : "could not all be written back") + "; no reboot\n",
                  outcome.output);
        EXPECT_EQ(f.asItWas, eeprom == dump);
    }
}

} // namespace
