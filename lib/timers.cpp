// Repeating interval timers on the kernel's real-time and user-CPU-time timers.
#include "qavo/timers.h"

#include <cerrno>
#include <csignal>
#include <sys/time.h>

namespace {

int arm(int which, int microseconds)
{
    itimerval period{};
    period.it_interval.tv_usec = microseconds;
    period.it_value.tv_usec = microseconds;
    return setitimer(which, &period, nullptr);
}

// Installs the handler first, so a tick never arrives before its handler is in place.
int installAndArm(int signalNumber, int which, int microseconds, qavo_timer_handler handler)
{
    struct sigaction action {};
    action.sa_handler = handler ? handler : SIG_DFL;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    if (sigaction(signalNumber, &action, nullptr) != 0)
        return -1;
    if (microseconds < 0 || microseconds > 999999) {
        errno = EINVAL;
        return -1;
    }
    return arm(which, microseconds);
}

} // namespace

extern "C" int setTimer(int microseconds, qavo_timer_handler handler)
{
    return installAndArm(SIGALRM, ITIMER_REAL, microseconds, handler);
}

extern "C" int setTimer2(int microseconds, qavo_timer_handler handler)
{
    return installAndArm(SIGVTALRM, ITIMER_VIRTUAL, microseconds, handler);
}

extern "C" int stopTimer(void)
{
    return arm(ITIMER_REAL, 0);
}

extern "C" int stopTimer2(void)
{
    return arm(ITIMER_VIRTUAL, 0);
}
