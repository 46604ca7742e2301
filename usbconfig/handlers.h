// The command handlers of ombix_usbconfig and the routines they share. Every handler
// takes the platform code and the driver's 64-byte message buffer, uses neither (every
// platform behaves the same) and returns 1.
#ifndef QAVO_USBCONFIG_HANDLERS_H
#define QAVO_USBCONFIG_HANDLERS_H

#include <cstddef>

namespace usbconfig {

// Size of the field chform_size_usb writes into.
constexpr size_t kSizeTextSize = 16;

// Sets the USB LED through the platform's gpio tool with the GPIO number in "Led_usb":
// lit when active, dark otherwise; "Usb_gpio_classify" 1 swaps the two patterns. A
// "Led_usb" that is not a decimal number, or names a line above QAVO_GPIO_MAX, is
// refused with a message; no command runs.
void setUsbLed(bool active);

// The printer server steps of "init": stops p910nd; without storage lets printled decide
// the LED; starts p910nd again when "PrinterSrvEnabled" is exactly "1".
void restartPrinterServer(bool storageFound);

} // namespace usbconfig

extern "C" {

// "init": records the storage mounted under /media in "UsbFisrtPart" and /tmp/UsbFlag,
// sets the USB LED, writes /var/usbinfo, runs a memory card's init.sh and (re)starts the
// storage and printer services.
int ombix_usbconfig_init(int platform, char *message);
// "doMount": has automount.sh mount every USB disk partition and memory card that is not
// mounted yet, then does the "init" work when it saw any.
int ombix_usbconfig_init_mount(int platform, char *message);
// "smbstart": storage.sh prepares file sharing; nmbd and smbd start when "SmbEnabled" is
// non-zero and storage is recorded in "UsbFisrtPart".
int ombix_usbconfig_smbstart(int platform, char *message);

// Rewrites /var/usbinfo from "UsbFisrtPart": one "name?total?used?free?share?#" record per
// entry. The file is replaced whole; see usb_info.cpp for what a failure leaves.
void putusbInfo(void);

// Size text for a size in KiB: "%.2f GB" from 1048576 KiB, "%.2f MB" from 1024 KiB,
// "< 1M" below; the quotient rounded to single precision first. text holds 16 bytes and
// is cleared first. Returns 0.
int chform_size_usb(unsigned long long sizeKib, char *text);

// Sets the USB LED by printer presence: lit when "/dev/lp0" opens for reading and writing.
void printled(void);

} // extern "C"

#endif
