// Interval timers with real signals. Each case runs in a child process so that timers
// and handlers never reach the test runner or each other.
#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "qavo/timers.h"

namespace {

volatile sig_atomic_t realTicks;
volatile sig_atomic_t cpuTicks;

void countReal(int)
{
    ++realTicks;
}
void countCpu(int)
{
    ++cpuTicks;
}

// Sleeps the whole duration even when ticks interrupt the sleep.
void sleepFor(double seconds)
{
    timespec left{static_cast<time_t>(seconds), static_cast<long>((seconds - static_cast<long>(seconds)) * 1e9)};
    while (nanosleep(&left, &left) != 0) {
    }
}

double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Burns user CPU time for the given wall time, or until enough CPU ticks have arrived
// when asked to; the clock is read rarely so that nearly all of it is user time.
void spin(double seconds, int untilCpuTicks = 0)
{
    double end = now() + seconds;
    volatile unsigned long sink = 0;
    while (now() < end && (untilCpuTicks == 0 || cpuTicks < untilCpuTicks))
        for (int i = 0; i < 1000000; ++i)
            ++sink;
}

// Runs body in a child; the child's exit code is the number of the first failed check.
template <typename Body>
int inChild(Body body)
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST(Timers, RealTimeTimerTicksTwiceASecondUntilStopped)
{
    EXPECT_EQ(0, inChild([] {
                  if (setTimer(500000, countReal) != 0)
                      return 1;
                  sleepFor(2.2);
                  int ticks = realTicks;
                  if (ticks < 3 || ticks > 5)
                      return 2;
                  if (stopTimer() != 0)
                      return 3;
                  sleepFor(1.1);
                  return realTicks == ticks ? 0 : 4;
              }));
}

TEST(Timers, PeriodOfOneSecondIsRefusedButHandlerInstalled)
{
    EXPECT_EQ(0, inChild([] {
                  if (setTimer(1000000, countReal) != -1 || setTimer(-1, countReal) != -1)
                      return 1;
                  itimerval current;
                  getitimer(ITIMER_REAL, &current);
                  if (current.it_value.tv_sec != 0 || current.it_value.tv_usec != 0)
                      return 2;
                  raise(SIGALRM); // the handler is in place: the process is not ended
                  return realTicks == 1 ? 0 : 3;
              }));
}

TEST(Timers, VirtualTimerIsSilentWhileSleepingAndTicksOnCpu)
{
    EXPECT_EQ(0, inChild([] {
                  if (setTimer2(100000, countCpu) != 0)
                      return 1;
                  sleepFor(0.5);
                  if (cpuTicks != 0)
                      return 2;
                  spin(5.0, 3);
                  return cpuTicks >= 3 ? 0 : 3;
              }));
}

TEST(Timers, StoppingOneLeavesTheOtherRunning)
{
    EXPECT_EQ(0, inChild([] {
                  if (setTimer(100000, countReal) != 0 || setTimer2(100000, countCpu) != 0)
                      return 1;
                  if (stopTimer2() != 0)
                      return 2;
                  spin(0.5);
                  if (cpuTicks != 0 || realTicks < 2)
                      return 3;
                  if (setTimer2(100000, countCpu) != 0 || stopTimer() != 0)
                      return 4;
                  int realBefore = realTicks;
                  spin(5.0, 3);
                  return realTicks == realBefore && cpuTicks >= 3 ? 0 : 5;
              }));
}

} // namespace
