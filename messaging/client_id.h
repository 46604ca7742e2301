// Client identifiers of the short-lived clients: "<kind>/<pid>-<host name>".
#ifndef QAVO_MESSAGING_CLIENT_ID_H
#define QAVO_MESSAGING_CLIENT_ID_H

#include <sys/types.h>

namespace qavo::messaging {

// MQTT 3.1 accepts client identifiers of at most 23 characters.
constexpr size_t kMaxClientId = 23;

// Heap text "<kind>/<pid>-<hostName>" formatted into hostName's length + 15 bytes (so a
// process id of more than five digits cuts the host name's tail) and then cut to 23
// characters; a multi-byte character of the host name split by either cut is dropped
// whole. Null when no memory. The caller frees it.
char *formatClientId(const char *kind, pid_t pid, const char *hostName);

// formatClientId for this process and the machine's host name ("" when unknown).
char *newClientId(const char *kind);

} // namespace qavo::messaging

#endif
