// LED requests on a host without the GPIO driver: values out of range are refused without
// a word and without touching the device; values in range reach the device, which is
// missing here, so they fail with the device's error. The virtual router's shim shows the
// records that reach the driver (tests/system/status_probes.sh).
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "qavo/leds.h"

namespace {

class Leds : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access("/dev/gpio", F_OK) == 0)
            GTEST_SKIP() << "this host has a GPIO device";
    }
};

constexpr const char *kMissing = "/dev/gpio: No such file or directory\n";

TEST_F(Leds, RangesDecideWhetherTheDeviceIsTried)
{
    const struct {
        uint32_t gpio, on, off, blinks, rests, repeats;
        const char *stderrText; // "" means refused before the device
    } cases[] = {
        {72, 4000, 4000, 4000, 4000, 4000, kMissing},
        {0, 0, 0, 0, 0, 0, kMissing},
        {73, 0, 0, 0, 0, 0, ""},
        {0xffffffff, 0, 0, 0, 0, 0, ""},
        {9, 4001, 0, 0, 0, 0, ""},
        {9, 0, 4001, 0, 0, 0, ""},
        {9, 0, 0, 4001, 0, 0, ""},
        {9, 0, 0, 0, 4001, 0, ""},
        {9, 0, 0, 0, 0, 4001, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.gpio);
        testing::internal::CaptureStderr();
        EXPECT_EQ(-1, gpioLedSet(c.gpio, c.on, c.off, c.blinks, c.rests, c.repeats));
        EXPECT_EQ(c.stderrText, testing::internal::GetCapturedStderr());
    }
}

TEST_F(Leds, WpsStatesAndTheirResultsWithoutADevice)
{
    const struct {
        int state;
        int result;
        const char *stderrText;
    } cases[] = {
        {0, 0, ""},       {6, 0, ""},       {-1, 0, ""},      {1, 0, kMissing},
        {3, 0, kMissing}, {4, 0, kMissing}, {5, 0, kMissing}, {2, -1, kMissing},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.state);
        testing::internal::CaptureStderr();
        EXPECT_EQ(c.result, ledWps(9, c.state));
        EXPECT_EQ(c.stderrText, testing::internal::GetCapturedStderr());
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, ledAlways(73, 1)); // refused: the line is out of range
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

} // namespace
