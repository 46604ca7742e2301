// File sharing and the printer LED.
#include <gtest/gtest.h>

#include "tests/usbconfig/usb_fixture.h"
#include "usbconfig/handlers.h"

namespace {

class UsbServices : public UsbTest {};

TEST_F(UsbServices, FileSharingNeedsTheSettingAndARecordedMountPoint)
{
    struct Case {
        const char *enabled;
        const char *list;
        bool servers;
    } cases[] = {
        {"1", "/media/sda1?", true},
        {"2", "/media/sda1?", true},
        {"1", "", false},
        {"1", "/media?", false}, // 7 characters: no mount point
        {"1", "/media/?", true},
        {"0", "/media/sda1?", false},
        {"", "/media/sda1?", false},
        {"x", "/media/sda1?", false},
    };
    for (const Case &c : cases) {
        recorder_.clear();
        set("SmbEnabled", c.enabled);
        set("UsbFisrtPart", c.list);
        char message[64] = {};
        testing::internal::CaptureStdout();
        EXPECT_EQ(1, ombix_usbconfig_smbstart(4, message));
        EXPECT_EQ("[Debug] ombix_usbconfig_smbstart...\n", testing::internal::GetCapturedStdout());
        Lines expected{"storage.sh samba"};
        if (c.servers)
            expected.insert(expected.end(), {"nmbd", "smbd"});
        EXPECT_EQ(expected, recorder_.commands()) << c.enabled << " " << c.list;
    }
}

TEST_F(UsbServices, PrinterLedFollowsTheDeviceAndThePolarity)
{
    for (auto [attached, classify, command] :
         {std::tuple{true, "0", "gpio l 7 4000 0 1 0 0"}, {false, "0", "gpio l 7 1 0 0 0 0"},
          {true, "1", "gpio l 7 1 0 0 0 0"}, {false, "1", "gpio l 7 4000 0 1 0 0"}}) {
        recorder_.clear();
        set("Led_usb", "7");
        set("Usb_gpio_classify", classify);
        printer(attached);
        printled();
        EXPECT_EQ(Lines{command}, recorder_.commands()) << attached << classify;
    }
}

} // namespace
