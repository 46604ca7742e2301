/*
 * Two process-wide repeating interval timers, each with one signal handler: the first
 * counts real time (ITIMER_REAL, SIGALRM), the second only the CPU time the process
 * spends in user mode (ITIMER_VIRTUAL, SIGVTALRM). The period is given in microseconds,
 * 1 to 999999, and is used for the first expiry and every repetition; 0 stops the timer.
 * Handlers run in signal context. The first timer shares SIGALRM with every other user of
 * that signal in the process (the request/response client's time-out among them): the
 * handler installed last receives every SIGALRM. Interrupted system calls are restarted
 * where the kernel allows it.
 */
#ifndef QAVO_TIMERS_H
#define QAVO_TIMERS_H

#include "qavo/api.h"

QAVO_BEGIN_DECLS

typedef void (*qavo_timer_handler)(int signal_number);

/*
 * Installs handler for SIGALRM, then arms the real-time timer with the period.
 * Returns 0, or -1 when the period is refused (outside 0 to 999999; the timer is then
 * not armed, but the handler is installed).
 */
QAVO_API int setTimer(int microseconds, qavo_timer_handler handler);

/* The same for SIGVTALRM and the user-CPU-time timer. */
QAVO_API int setTimer2(int microseconds, qavo_timer_handler handler);

/* Disarm the real-time / user-CPU-time timer; the handler stays installed. 0 or -1. */
QAVO_API int stopTimer(void);
QAVO_API int stopTimer2(void);

QAVO_END_DECLS

#endif
