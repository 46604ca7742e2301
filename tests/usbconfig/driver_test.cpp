// The USB tool's word tables, argument handling and usage text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/usbconfig/usb_fixture.h"
#include "usbconfig/driver.h"
#include "usbconfig/handlers.h"

namespace {

const char kUsage[] = "\r\nombix usb config tool"
                      "\r\nussgr:"
                      "\r\nombix_usbconfig <platform> <command>"
                      "\r\ncurrrent support <paltform>:mtk7620<plat> <command>"
                      "\r\ncurrrent support <command>:init,smb  (to init the firewall)"
                      "\r\nfor eg: ombix_usbconfig mtk7620 init\r\n"
                      "\r\nfor eg: ombix_usbconfig mtk7620 smb\r\n";

class UsbDriver : public UsbTest {
protected:
    int run(std::vector<std::string> args)
    {
        qavo::test::ToolRun run = qavo::test::runTool(usbconfig::runUsbTool, "ombix_usbconfig", std::move(args));
        out_ = run.out;
        return run.status;
    }
    std::string out_;
};

TEST(UsbCommandTable, OnlyExactWordsMatch)
{
    EXPECT_EQ(&ombix_usbconfig_init, usbconfig::findCommand("init"));
    EXPECT_EQ(&ombix_usbconfig_init_mount, usbconfig::findCommand("doMount"));
    EXPECT_EQ(&ombix_usbconfig_smbstart, usbconfig::findCommand("smbstart"));
    for (const char *word : {"initx", "Init", "ini", "smb", "smbstartx", "doMountx", "domount", ""})
        EXPECT_EQ(nullptr, usbconfig::findCommand(word)) << word;
}

TEST_F(UsbDriver, WrongArgumentsPrintTheUsageAndRunNothing)
{
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{{},
                                                                                      {"mtk7620"},
                                                                                      {"mtk7620", "init", "extra"},
                                                                                      {"rt5350", "init"},
                                                                                      {"mtk7620", "initx"},
                                                                                      {"mtk7620", "smb"},
                                                                                      {"mtk7620", "Init"}}) {
        EXPECT_EQ(0, run(args));
        EXPECT_EQ(kUsage, out_);
    }
    EXPECT_TRUE(recorder_.commands().empty());
}

TEST_F(UsbDriver, HandlersRunAndTheirResultIsTheExitStatus)
{
    EXPECT_EQ(1, run({"mtk7620", "init"}));
    EXPECT_EQ(0u, out_.find("\n#####[Debug] Hotplug device init #####\n"));
    recorder_.clear();
    // A prefix of the platform word is enough; nothing in the table means nothing to mount.
    file("/proc/partitions", "major minor  #blocks  name\n");
    EXPECT_EQ(1, run({"mtk7620x", "doMount"}));
    EXPECT_TRUE(recorder_.commands().empty());
    EXPECT_EQ(1, run({"ra3050", "smbstart"}));
    EXPECT_EQ(Lines{"storage.sh samba"}, recorder_.commands());
}

} // namespace
