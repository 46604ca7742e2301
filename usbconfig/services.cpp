// The USB LED, the printer server and file sharing.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "lib/command.h"
#include "lib/settings.h"
#include "lib/system.h"
#include "qavo/leds.h"
#include "usbconfig/handlers.h"
#include "usbconfig/partition_list.h"

namespace usbconfig {
namespace {} // namespace

void setUsbLed(bool active)
{
    // The LED's wiring decides which pattern lights it: "Usb_gpio_classify" 1 swaps them.
    bool swapped = qavo::settingNumber(qavo::kRouterSection, "Usb_gpio_classify") == 1;
    const char *line = qavo::setting(qavo::kRouterSection, "Led_usb");
    qavo::quote::Value led = qavo::quote::decimal("Led_usb", line);
    if (!qavo::quote::accept(led))
        return;
    // The gpio tool gets the lines the library's LED requests take, and no others.
    if (strtoul(line, nullptr, 10) > QAVO_GPIO_MAX) {
        fprintf(stderr, "Error: setting Led_usb is above %d, the highest GPIO line; refused\n", QAVO_GPIO_MAX);
        return;
    }
    if (active != swapped)
        qavo::runCommand<qavo::kSmallCommandSize>(1, "gpio l %s 4000 0 1 0 0", {led});
    else
        qavo::runCommand<qavo::kSmallCommandSize>(1, "gpio l %s 1 0 0 0 0", {led});
}

void restartPrinterServer(bool storageFound)
{
    puts("[Debug] p910nd init...");
    bool enabled = qavo::settingIs(qavo::kRouterSection, "PrinterSrvEnabled", "1");
    QavoSystem("killall p910nd", 1);
    // With storage mounted the LED shows the storage; without, the printer.
    if (!storageFound)
        printled();
    // Started whether or not a printer is attached now: it may be plugged in later.
    if (enabled)
        QavoSystem("p910nd -b -f /dev/lp0", 1);
}

} // namespace usbconfig

extern "C" void printled(void)
{
    int fd = qavo::sys::openDescriptor("/dev/lp0", O_RDWR | O_CLOEXEC);
    usbconfig::setUsbLed(fd >= 0);
    if (fd >= 0)
        close(fd);
}

extern "C" int ombix_usbconfig_smbstart(int, char *)
{
    puts("[Debug] ombix_usbconfig_smbstart...");
    char list[usbconfig::kPartitionListMax + 1];
    snprintf(list, sizeof list, "%s", qavo::setting(qavo::kRouterSection, "UsbFisrtPart"));
    QavoSystem("storage.sh samba", 1);
    // Longer than 7 characters: the list names at least one mount point.
    if (qavo::settingNumber(qavo::kRouterSection, "SmbEnabled") != 0 && strlen(list) > 7) {
        QavoSystem("nmbd", 1);
        QavoSystem("smbd", 1);
    }
    return 1;
}
