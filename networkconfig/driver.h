// Command-line driver of ombix_networkconfig: "<platform> <command>" to one handler.
#ifndef QAVO_NETWORKCONFIG_DRIVER_H
#define QAVO_NETWORKCONFIG_DRIVER_H

#include "networkconfig/handlers.h"

namespace networkconfig {

// Platform code of the first table word that matches the argument over the table's
// compared length, or 0 when none does.
int findPlatform(const char *word);
// Handler of the first command table entry that matches likewise, or nullptr.
Handler findCommand(const char *word);

// Whole run: usage text and 0 for a wrong argument count or an unknown word; the
// handler's result when non-zero; the error line and kFailureStatus when it returned 0.
int runNetworkTool(int argc, char **argv);

// Exit status after a failed handler: the handlers' success value is 1, so failure
// gets a status of its own that callers can tell from it.
constexpr int kFailureStatus = 2;

} // namespace networkconfig

#endif
