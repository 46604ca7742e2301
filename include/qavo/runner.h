/*
 * Shell command runner, configuration-tool launchers and the module hook list.
 */
#ifndef QAVO_RUNNER_H
#define QAVO_RUNNER_H

#include <stdint.h>

#include "qavo/api.h"

QAVO_BEGIN_DECLS

/*
 * Runs one command line through "/bin/sh -c" and waits for the shell.
 * With echo non-zero the child first prints "[system]: <command>\r\n" on standard output.
 * Whatever the caller printed before is flushed first, so logs keep their order.
 * Signal dispositions and mask are left alone; the child inherits the environment.
 * Returns the raw wait status (exit code N gives N * 256), or -1 when the command is
 * NULL ("QavoSystem: Null Command, Error!" on standard output), fork fails, or waiting
 * fails for another reason than EINTR. A shell that cannot be started gives 127 * 256.
 */
QAVO_API int QavoSystem(const char *command, int echo);

/*
 * Launchers: start a configuration tool in the background with the platform word
 * "mtk7620" and the given command word ("<tool> mtk7620 <word> &"), without echo.
 * The word is quoted for the shell when it needs it; a word that would not fit the
 * 256-byte line is refused with a message on standard error and -1.
 * Return QavoSystem's result for the launching shell, which returns at once.
 */
QAVO_API int setWiFiOmbix(const char *word);    /* ombix_wificonfig */
QAVO_API int setNetworkOmbix(const char *word); /* ombix_networkconfig */
QAVO_API int setFWOmbix(const char *word);      /* ombix_firewallconfig */
QAVO_API int setUsbOmbix(const char *word);     /* ombix_usbconfig */

/* One named hook registered by a setting module; never freed by the library. */
struct qavo_hook {
    struct qavo_hook *next; /* the record registered after this one; NULL at the tail */
    char *name;             /* private heap copy of the registered name */
    uintptr_t value;        /* the registered machine word, never interpreted */
};

/* Head of the hook list, in registration order; NULL while empty. */
QAVO_API extern struct qavo_hook *first_qavo_hook;

/* Empties the list (records are not freed) and returns &first_qavo_hook. */
QAVO_API struct qavo_hook **hook_list_init(void);

/*
 * Appends a record for name/value at the tail (names need not be unique) and returns it.
 * Ends the process with exit code 1 when memory runs out, like safe_strdup.
 */
QAVO_API struct qavo_hook *qavo_hook_register(const char *name, uintptr_t value);

/* Heap copy of text, owned by the caller. A NULL text or no memory ends the process (exit 1). */
QAVO_API char *safe_strdup(const char *text);

QAVO_END_DECLS

#endif
