// LED requests to the platform's GPIO driver and the patterns the router uses.
#include "qavo/leds.h"

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/ioctl.h>

#include "lib/holders.h"
#include "lib/settings.h"
#include "lib/system.h"

namespace {

// The driver's LED request and its record: six 32-bit words, in this order.
constexpr unsigned long kLedRequest = 0x41;

struct LedRecord {
    uint32_t gpio, on, off, blinks, rests, repeats;
};

struct Pattern {
    uint32_t on, off, blinks, rests, repeats;
};

constexpr Pattern kAlwaysOn = {QAVO_LED_ALWAYS, 0, 1, 1, QAVO_LED_ALWAYS};
constexpr Pattern kAlwaysOff = {0, QAVO_LED_ALWAYS, 1, 1, QAVO_LED_ALWAYS};
constexpr Pattern kSteadyOn = {QAVO_LED_ALWAYS, 0, 0, 0, 1};
constexpr Pattern kBlinking = {11, 11, QAVO_LED_ALWAYS, 1, QAVO_LED_ALWAYS};

// A red system LED is driven only when its line is below this.
constexpr long kNoRedLed = 1000;

int send(uint32_t gpio, const Pattern &p)
{
    return gpioLedSet(gpio, p.on, p.off, p.blinks, p.rests, p.repeats);
}

// Settings hold decimal text; a line that does not fit 32 bits can only be refused.
uint32_t gpioSetting(const char *key)
{
    long value = qavo::settingNumber(qavo::kRouterSection, key);
    long long wide = value; // as wide as a line number can be stored, on 32- and 64-bit targets
    return wide < 0 || wide > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
}

} // namespace

extern "C" int gpioLedSet(uint32_t gpio, uint32_t on, uint32_t off, uint32_t blinks, uint32_t rests, uint32_t repeats)
{
    if (gpio > QAVO_GPIO_MAX || on > QAVO_LED_ALWAYS || off > QAVO_LED_ALWAYS || blinks > QAVO_LED_ALWAYS ||
        rests > QAVO_LED_ALWAYS || repeats > QAVO_LED_ALWAYS)
        return -1;
    LedRecord record = {gpio, on, off, blinks, rests, repeats};
    qavo::Descriptor device(qavo::sys::openDescriptor("/dev/gpio", O_RDONLY | O_CLOEXEC));
    if (!device) {
        perror("/dev/gpio");
        return -1;
    }
    if (ioctl(device.get(), kLedRequest, &record) < 0) {
        perror("ioctl");
        return -1;
    }
    return 0;
}

extern "C" int ledAlways(uint32_t gpio, int lit)
{
    return send(gpio, lit ? kAlwaysOn : kAlwaysOff);
}

extern "C" int ledWps(uint32_t gpio, int state)
{
    switch (state) {
    case 1:
    case 3:
    case 4:
    case 5:
        send(gpio, kBlinking);
        return 0;
    case 2:
        return send(gpio, kSteadyOn);
    default:
        return 0;
    }
}

extern "C" void setSysLEDBlink(void)
{
    uint32_t system = gpioSetting("Led_sys");
    long red = qavo::settingNumber(qavo::kRouterSection, "Led_sys_red");
    if (red < kNoRedLed) {
        send(gpioSetting("Led_sys_red"), kSteadyOn);
        send(system, kSteadyOn);
    } else {
        send(system, kBlinking);
    }
}
