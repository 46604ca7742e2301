// SIGALRM and the real-time interval timer, borrowed for one exchange and handed back.
#ifndef QAVO_MESSAGING_BORROWED_ALARM_H
#define QAVO_MESSAGING_BORROWED_ALARM_H

#include <csignal>
#include <ctime>
#include <sys/time.h>

namespace qavo::messaging {

// While held, SIGALRM runs the given handler (installed without SA_RESTART, so it cuts a
// wait short) and the timer holds at most one expiry. On release the timer is stopped,
// the previous handler put back, and a timer that was running before is re-armed with
// its period and what was left of its expiry (at once if that passed meanwhile).
class BorrowedAlarm {
public:
    explicit BorrowedAlarm(void (*handler)(int)) : handler_(handler) {}
    ~BorrowedAlarm() { release(); }
    BorrowedAlarm(const BorrowedAlarm &) = delete;
    BorrowedAlarm &operator=(const BorrowedAlarm &) = delete;

    // Sets the single expiry to seconds from now, replacing any earlier one.
    void arm(unsigned seconds);
    void release();

private:
    void (*handler_)(int);
    bool held_ = false;
    struct sigaction previousAction_ {};
    itimerval previousTimer_{};
    timespec borrowedAt_{};
};

} // namespace qavo::messaging

#endif
