/*
 * Status LEDs through the platform's GPIO driver.
 *
 * The driver blinks an LED by itself: one request names the GPIO line and five timing
 * values (on time and off time in the driver's ticks, blinks per cycle, rests after each
 * cycle, cycles), and the LED keeps that pattern until the next request for the line,
 * from any process. The value 4000 means without end.
 */
#ifndef QAVO_LEDS_H
#define QAVO_LEDS_H

#include <stdint.h>

#include "qavo/api.h"

QAVO_BEGIN_DECLS

/* Highest GPIO line, and the highest timing value (the "without end" value). */
#define QAVO_GPIO_MAX 72
#define QAVO_LED_ALWAYS 4000

/*
 * Sends one LED request to "/dev/gpio" (opened and closed for each call). 0 when the
 * driver accepted it; -1 without a message and without touching the device when gpio is
 * above 72 or another value above 4000; -1 with a perror-style message on stderr,
 * prefixed "/dev/gpio" or "ioctl", when the device cannot be opened or refuses.
 */
QAVO_API int gpioLedSet(uint32_t gpio, uint32_t on, uint32_t off, uint32_t blinks, uint32_t rests, uint32_t repeats);

/* Lights the LED on gpio for good (lit non-zero) or darkens it for good. gpioLedSet's result. */
QAVO_API int ledAlways(uint32_t gpio, int lit);

/*
 * The WPS LED by state: 1, 3, 4 and 5 blink (result 0 whatever the driver said), 2 lights
 * it steadily (gpioLedSet's result), any other state changes nothing (0).
 */
QAVO_API int ledWps(uint32_t gpio, int state);

/*
 * The system LED at the end of boot, from the settings "Led_sys" and "Led_sys_red"
 * (section 0): with a red LED (a line below 1000) the red and then the system LED are lit
 * steadily; without one (1000 or more) the system LED blinks.
 */
QAVO_API void setSysLEDBlink(void);

QAVO_END_DECLS

#endif
