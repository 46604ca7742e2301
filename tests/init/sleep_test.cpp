// The boot's Sleep: a signal does not cut the pause short.
#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <sys/time.h>

#include "init/boot.h"

namespace {

double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

volatile sig_atomic_t alarms = 0;

} // namespace

TEST(Sleep, ResumesForTheRemainingTimeAfterASignal)
{
    struct sigaction action = {};
    action.sa_handler = [](int) { alarms = alarms + 1; };
    struct sigaction previous;
    sigaction(SIGALRM, &action, &previous);
    struct itimerval at300ms = {{0, 0}, {0, 300000}};
    setitimer(ITIMER_REAL, &at300ms, nullptr);

    double start = now();
    EXPECT_EQ(0, Sleep(1));
    double slept = now() - start;
    sigaction(SIGALRM, &previous, nullptr);

    EXPECT_EQ(1, alarms) << "the signal did not arrive during the sleep";
    EXPECT_GE(slept, 0.99) << "the sleep ended at the signal";
}
