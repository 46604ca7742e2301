#define _GNU_SOURCE
#include "logline.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int reserve(struct logline *l, size_t more)
{
    if (l->len + more + 1 <= l->cap)
        return 0;
    size_t cap = l->cap ? l->cap : 256;
    while (cap < l->len + more + 1)
        cap *= 2;
    char *grown = realloc(l->buf, cap);
    if (!grown)
        return -1;
    l->buf = grown;
    l->cap = cap;
    return 0;
}

static int add_bytes(struct logline *l, const char *bytes, size_t n)
{
    if (reserve(l, n) < 0)
        return -1;
    memcpy(l->buf + l->len, bytes, n);
    l->len += n;
    l->buf[l->len] = '\0';
    return 0;
}

int logline_start(struct logline *l)
{
    struct timespec now;
    char stamp[48];

    l->buf = NULL;
    l->len = l->cap = 0;
    clock_gettime(CLOCK_MONOTONIC, &now);
    int n = snprintf(stamp, sizeof stamp, "%lld.%06ld", (long long)now.tv_sec, now.tv_nsec / 1000);
    return add_bytes(l, stamp, (size_t)n);
}

int logline_add_raw(struct logline *l, const char *text)
{
    return add_bytes(l, text, strlen(text));
}

int logline_add_escaped(struct logline *l, const char *text)
{
    for (const unsigned char *p = (const unsigned char *)text; *p; p++) {
        char esc[5];
        int rc;
        if (*p == '\n')
            rc = add_bytes(l, "\\n", 2);
        else if (*p == '\r')
            rc = add_bytes(l, "\\r", 2);
        else if (*p == '\\')
            rc = add_bytes(l, "\\\\", 2);
        else if (*p < 0x20 || *p == 0x7f) {
            snprintf(esc, sizeof esc, "\\x%02x", *p);
            rc = add_bytes(l, esc, 4);
        } else
            rc = add_bytes(l, (const char *)p, 1);
        if (rc < 0)
            return -1;
    }
    return 0;
}

int logline_finish(struct logline *l, const char *path)
{
    int rc = -1;
    if (add_bytes(l, "\n", 1) == 0) {
        int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            rc = write(fd, l->buf, l->len) == (ssize_t)l->len ? 0 : -1;
            close(fd);
        }
    }
    free(l->buf);
    l->buf = NULL;
    l->len = l->cap = 0;
    return rc;
}
