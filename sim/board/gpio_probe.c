/* Probes the emulated router's "/dev/gpio" after the boot: the requests its driver must
 * refuse, and the cost of an LED request. One line per result on standard output:
 *   <what>: accepted | <what>: <system error text>
 *   LED request (open, request, close): <ms> ms each, <rounds> rounds
 *   LED request on an open device: <ms> ms each, <rounds> rounds
 *   unknown request on an open device: <ms> ms each, <rounds> rounds
 * The timed LED requests re-send the record given on the command line (the last one the
 * boot sent, so the LEDs keep their pattern); the refused ones change nothing. The
 * unknown request is one round trip to the driver that logs nothing: the bare cost of
 * the device.
 *
 *   gpio_probe GPIO ON OFF BLINKS RESTS REPEATS [ROUNDS]   (default 100 rounds)
 * Exit status 0 when every request was answered as expected, 1 otherwise, 2 on a bad
 * command line. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#define GPIO_DEVICE "/dev/gpio"
#define LED_REQUEST 0x41UL

struct led_record {
    uint32_t gpio, on, off, blinks, rests, repeats;
};

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

/* One request on a fresh descriptor, as the router's programs send theirs: 0 or errno. */
static int send_request(unsigned long request, void *arg)
{
    int fd = open(GPIO_DEVICE, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int rc = ioctl(fd, request, arg) < 0 ? errno : 0;
    close(fd);
    return rc;
}

/* Times ROUNDS requests, each on a fresh descriptor when fd is -1 (as the router's programs
 * send theirs) or on fd, and prints "<what>: <ms> ms each, <rounds> rounds", or the first
 * answer other than expected (0 or an errno) and -1. */
static int time_requests(const char *what, int fd, unsigned long request, void *arg, int expected, uint32_t rounds)
{
    double start = now_ms();
    for (uint32_t i = 0; i < rounds; i++) {
        int rc = fd < 0 ? send_request(request, arg) : ioctl(fd, request, arg) < 0 ? errno : 0;
        if (rc != expected) {
            printf("%s: %s\n", what, rc ? strerror(rc) : "accepted");
            return -1;
        }
    }
    printf("%s: %.3f ms each, %u rounds\n", what, (now_ms() - start) / rounds, (unsigned)rounds);
    return 0;
}

static int parse_word(const char *text, uint32_t *word)
{
    char *end;
    errno = 0;
    unsigned long value = strtoul(text, &end, 10);
    if (errno || end == text || *end || value > UINT32_MAX)
        return -1;
    *word = (uint32_t)value;
    return 0;
}

int main(int argc, char **argv)
{
    struct led_record good;
    uint32_t *words[] = {&good.gpio, &good.on, &good.off, &good.blinks, &good.rests, &good.repeats};
    uint32_t rounds = 100;
    int bad = argc != 7 && argc != 8;
    for (int i = 0; !bad && i < 6; i++)
        bad = parse_word(argv[i + 1], words[i]) < 0;
    if (!bad && argc == 8)
        bad = parse_word(argv[7], &rounds) < 0 || rounds == 0;
    if (bad) {
        fprintf(stderr, "usage: gpio_probe GPIO ON OFF BLINKS RESTS REPEATS [ROUNDS]\n");
        return 2;
    }

    struct led_record no_line = good, too_long = good;
    no_line.gpio = 73;
    too_long.on = 4001;
    const struct {
        const char *what;
        unsigned long request;
        void *arg;
        int expected;
    } refusals[] = {
        {"unknown request 0x42", 0x42, &good, ENOTTY},
        {"LED request without a record", LED_REQUEST, NULL, EFAULT},
        {"LED request for line 73", LED_REQUEST, &no_line, EINVAL},
        {"LED request with on time 4001", LED_REQUEST, &too_long, EINVAL},
    };
    int status = 0;
    for (size_t i = 0; i < sizeof refusals / sizeof refusals[0]; i++) {
        int rc = send_request(refusals[i].request, refusals[i].arg);
        printf("%s: %s\n", refusals[i].what, rc ? strerror(rc) : "accepted");
        if (rc != refusals[i].expected)
            status = 1;
    }

    int fd = open(GPIO_DEVICE, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        printf("%s: %s\n", GPIO_DEVICE, strerror(errno));
        return 1;
    }
    if (time_requests("LED request (open, request, close)", -1, LED_REQUEST, &good, 0, rounds) < 0 ||
        time_requests("LED request on an open device", fd, LED_REQUEST, &good, 0, rounds) < 0 ||
        time_requests("unknown request on an open device", fd, 0x42, &good, ENOTTY, rounds) < 0)
        status = 1;
    close(fd);
    return status;
}
