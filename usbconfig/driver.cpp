#include "usbconfig/driver.h"

#include <cstdio>

#include "usbconfig/handlers.h"

namespace usbconfig {
namespace {

constexpr qavo::tool::Command kCommands[] = {
    {"init", 5, ombix_usbconfig_init},
    {"doMount", 12, ombix_usbconfig_init_mount},
    {"smbstart", 9, ombix_usbconfig_smbstart},
};

// The text names "smb" for "smbstart" and leaves "doMount" out; scripts parse neither.
void printUsage()
{
    // Kept word for word, misspellings included: scripts match the usage text.
    fputs("\r\nombix usb config tool", stdout);
    fputs("\r\nussgr:", stdout);
    fputs("\r\nombix_usbconfig <platform> <command>", stdout);
    fputs("\r\ncurrrent support <paltform>:mtk7620<plat> <command>", stdout);
    fputs("\r\ncurrrent support <command>:init,smb  (to init the firewall)", stdout);
    puts("\r\nfor eg: ombix_usbconfig mtk7620 init\r");
    puts("\r\nfor eg: ombix_usbconfig mtk7620 smb\r");
}

constexpr qavo::tool::Tool kTool = {kCommands, sizeof kCommands / sizeof kCommands[0], printUsage};

} // namespace

qavo::tool::Handler findCommand(const char *word)
{
    return qavo::tool::findCommand(kTool.commands, kTool.count, word);
}

int runUsbTool(int argc, char **argv)
{
    return qavo::tool::run(kTool, argc, argv);
}

} // namespace usbconfig
