// File sharing: the script always, the servers only with sharing on and storage recorded.
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
        {"1", "/media/sda1?", true},  {"2", "/media/sda1?", true},  {"1", "", false},
        {"1", "/media?", false}, // 7 characters: no mount point
        {"1", "/media/?", true},      {"0", "/media/sda1?", false}, {"", "/media/sda1?", false},
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

} // namespace
