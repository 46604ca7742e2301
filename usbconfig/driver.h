// Command-line driver of ombix_usbconfig: "<platform> <command>" to one handler.
#ifndef QAVO_USBCONFIG_DRIVER_H
#define QAVO_USBCONFIG_DRIVER_H

#include "lib/tool_driver.h"

namespace usbconfig {

// Handler of the command word ("init", "doMount", "smbstart", exact words only), or nullptr.
qavo::tool::Handler findCommand(const char *word);

// Whole run, as qavo::tool::run with this tool's commands and usage text.
int runUsbTool(int argc, char **argv);

} // namespace usbconfig

#endif
