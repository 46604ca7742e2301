// Command-line driver of ombix_networkconfig: "<platform> <command>" to one handler.
#ifndef QAVO_NETWORKCONFIG_DRIVER_H
#define QAVO_NETWORKCONFIG_DRIVER_H

#include "lib/tool_driver.h"
#include "networkconfig/handlers.h"

namespace networkconfig {

using qavo::tool::findPlatform;
using qavo::tool::kFailureStatus;

// Handler of the first command table entry that matches the argument, or nullptr.
Handler findCommand(const char *word);

// Whole run, as qavo::tool::run with this tool's commands and usage text.
int runNetworkTool(int argc, char **argv);

} // namespace networkconfig

#endif
