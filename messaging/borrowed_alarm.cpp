#include "messaging/borrowed_alarm.h"

namespace qavo::messaging {

namespace {

long long microseconds(const timeval &t)
{
    return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec;
}

long long microsecondsSince(const timespec &start)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec - start.tv_sec) * 1000000 + (now.tv_nsec - start.tv_nsec) / 1000;
}

} // namespace

void BorrowedAlarm::arm(unsigned seconds)
{
    itimerval expiry{};
    expiry.it_value.tv_sec = seconds;
    if (!held_) {
        struct sigaction action {};
        action.sa_handler = handler_;
        sigemptyset(&action.sa_mask);
        sigaction(SIGALRM, &action, &previousAction_);
        clock_gettime(CLOCK_MONOTONIC, &borrowedAt_);
        setitimer(ITIMER_REAL, &expiry, &previousTimer_);
        held_ = true;
        return;
    }
    setitimer(ITIMER_REAL, &expiry, nullptr);
}

void BorrowedAlarm::release()
{
    if (!held_)
        return;
    held_ = false;
    itimerval stopped{};
    setitimer(ITIMER_REAL, &stopped, nullptr);
    sigaction(SIGALRM, &previousAction_, nullptr);
    if (microseconds(previousTimer_.it_value) == 0)
        return;
    long long left = microseconds(previousTimer_.it_value) - microsecondsSince(borrowedAt_);
    if (left < 1)
        left = 1;
    itimerval resumed = previousTimer_;
    resumed.it_value.tv_sec = static_cast<time_t>(left / 1000000);
    resumed.it_value.tv_usec = static_cast<suseconds_t>(left % 1000000);
    setitimer(ITIMER_REAL, &resumed, nullptr);
}

} // namespace qavo::messaging
