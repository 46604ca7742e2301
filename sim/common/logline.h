/* One-line records for the virtual router's logs (sh.log, standin.log).
 *
 * A record is "<seconds.micro> <fields...>": the monotonic clock, so records
 * of different logs and processes of one run can be ordered and offset against
 * each other. Free text is escaped so that one record is one line: line feed
 * "\n", carriage return "\r", backslash "\\", tab and other control bytes
 * "\xHH". Records are written with one write() on an O_APPEND descriptor, so
 * concurrent writers never interleave within a line. */
#ifndef VROUTER_LOGLINE_H
#define VROUTER_LOGLINE_H

#include <stddef.h>

/* Inner paths: the run's log directory is mounted here inside the router. */
#define VROUTER_LOG_DIR "/.vrouter/log"
#define VROUTER_CANNED_DIR "/.vrouter/canned"

struct logline {
    char *buf;
    size_t len;
    size_t cap;
};

/* Starts a record with the current monotonic time. 0 or -1 (no memory). */
int logline_start(struct logline *l);
/* Appends text verbatim, or escaped as described above. 0 or -1. */
int logline_add_raw(struct logline *l, const char *text);
int logline_add_escaped(struct logline *l, const char *text);
/* Ends the record with a line feed, appends it to the file in one write and
 * frees the buffer. 0 or -1. */
int logline_finish(struct logline *l, const char *path);

#endif
