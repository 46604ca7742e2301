// "init" and "doMount" in a private tree: the command sequence, the partition list, the
// flag, the info file, the LED and the card script, without root.
#include <gtest/gtest.h>

#include <algorithm>

#include "nvram.h"
#include "tests/usbconfig/usb_fixture.h"
#include "usbconfig/handlers.h"

namespace {

const Lines kServices = {"storage.sh admin", "storage.sh ftp", "killall p910nd"};

using qavo::test::concat;

class UsbInit : public UsbTest {
protected:
    Lines init()
    {
        Lines commands = run(ombix_usbconfig_init);
        for (bool echo : recorder_.echoes())
            EXPECT_TRUE(echo);
        return commands;
    }
    Lines doMount(const std::string &partitionNames)
    {
        file("/proc/partitions", qavo::test::partitionTable(partitionNames));
        return run(ombix_usbconfig_init_mount);
    }
    Lines run(int (*handler)(int, char *))
    {
        qavo::test::HandlerRun run = qavo::test::runHandler(handler, 4);
        EXPECT_EQ(1, run.result);
        stdout_ = run.out;
        stderr_ = run.err;
        return recorder_.commands();
    }
    static std::string stored(const char *key) { return nvram_bufget(0, key); }

    std::string stdout_;
    std::string stderr_;
};

TEST_F(UsbInit, NothingMountedClearsTheFlagAndLetsThePrinterDecideTheLed)
{
    file("/var/usbinfo", "old");
    set("UsbFisrtPart", "/media/sda1?");
    mounts({"/media/usb1", "/mnt/sda1"}); // neither is storage for this tool
    directory("media/usb1");
    EXPECT_EQ(concat({{"echo 0 > /tmp/UsbFlag", "gpio l 13 1 0 0 0 0", "killall usbmemdrop.sh"},
                      kServices,
                      {"gpio l 13 1 0 0 0 0"}}),
              init());
    EXPECT_EQ("", stored("UsbFisrtPart"));
    EXPECT_EQ("0\n", read("tmp/UsbFlag"));
    EXPECT_EQ("old", read("var/usbinfo"));
    EXPECT_EQ("\n#####[Debug] Hotplug device init #####\n[Debug] p910nd init...\n", stdout_);
}

TEST_F(UsbInit, TwoPartitionsInMountOrder)
{
    mounts({"/media/sdb1", "/media/sda1"});
    directory("media/sda1");
    directory("media/sdb1");
    Lines drop(3, "echo 3 > /proc/sys/vm/drop_caches");
    EXPECT_EQ(concat({{"echo 1 > /tmp/UsbFlag", "echo 1 > /tmp/UsbFlag", "gpio l 13 4000 0 1 0 0"},
                      drop,
                      {"usbmemdrop.sh &"},
                      kServices}),
              init());
    EXPECT_EQ("/media/sdb1?/media/sda1?", stored("UsbFisrtPart"));
    EXPECT_EQ(Lines{"cat /proc/mounts | grep media"}, recorder_.reads()); // the production read
    EXPECT_EQ("get the first partition: /media/sdb1\nget the first partition: /media/sda1\n", stderr_);
    std::string info = read("var/usbinfo");
    ASSERT_EQ(2, std::count(info.begin(), info.end(), '#')) << info;
    EXPECT_EQ(0u, info.find("sdb1?"));
    EXPECT_NE(std::string::npos, info.find("#sda1?"));
}

TEST_F(UsbInit, StorageLedFollowsPolarityAndPrinterOnlyWithoutStorage)
{
    struct Case {
        bool storage;
        bool printer;
        const char *classify;
        Lines led; // every gpio command, in order
    } cases[] = {
        {false, true, "0", {"gpio l 13 1 0 0 0 0", "gpio l 13 4000 0 1 0 0"}},
        {false, false, "0", {"gpio l 13 1 0 0 0 0", "gpio l 13 1 0 0 0 0"}},
        {false, true, "1", {"gpio l 13 4000 0 1 0 0", "gpio l 13 1 0 0 0 0"}},
        {false, false, "1", {"gpio l 13 4000 0 1 0 0", "gpio l 13 4000 0 1 0 0"}},
        {true, true, "0", {"gpio l 13 4000 0 1 0 0"}},
        {true, true, "1", {"gpio l 13 1 0 0 0 0"}},
        {true, false, "01", {"gpio l 13 1 0 0 0 0"}}, // the number 1
    };
    directory("media/sda1");
    for (const Case &c : cases) {
        recorder_.clear();
        set("Usb_gpio_classify", c.classify);
        mounts(c.storage ? Lines{"/media/sda1"} : Lines{});
        printer(c.printer);
        Lines gpio;
        for (const std::string &line : init())
            if (line.rfind("gpio ", 0) == 0)
                gpio.push_back(line);
        EXPECT_EQ(c.led, gpio) << "storage " << c.storage << " printer " << c.printer << " classify " << c.classify;
    }
}

TEST_F(UsbInit, PrinterServerStartsOnlyForExactlyOne)
{
    for (auto [value, started] : {std::pair{"1", true}, {"0", false}, {"", false}, {"1 ", false}, {"01", false}}) {
        recorder_.clear();
        set("PrinterSrvEnabled", value);
        Lines commands = init();
        auto killed = std::find(commands.begin(), commands.end(), "killall p910nd");
        ASSERT_NE(commands.end(), killed) << value;
        EXPECT_EQ(started, commands.back() == "p910nd -b -f /dev/lp0") << "'" << value << "'";
        EXPECT_EQ(started ? 1 : 0, std::count(commands.begin(), commands.end(), "p910nd -b -f /dev/lp0"));
    }
}

TEST_F(UsbInit, CardScriptRunsAfterTheLedOnlyFromMemoryCards)
{
    file("/media/sda1/init.sh", "reboot\n");
    file("/media/mmcblk0p1/init.sh", "echo card\n");
    file("/media/mmcblk1p1/init.sh", "echo second card\n");
    directory("media/mmcblk0p2/init.sh"); // a directory of that name is no script
    struct Case {
        Lines mounted;
        const char *script; // "" for none
    } cases[] = {
        {{"/media/mmcblk0p1", "/media/sda1"}, "/media/mmcblk0p1/init.sh"},
        {{"/media/sda1"}, ""},
        {{"/media/mmcblk0p1", "/media/mmcblk1p1"}, "/media/mmcblk1p1/init.sh"}, // the later card's
        {{"/media/mmcblk0p2"}, ""},
    };
    for (const Case &c : cases) {
        recorder_.clear();
        mounts(c.mounted);
        Lines commands = init();
        Lines scripts;
        for (const std::string &line : commands)
            if (line.find("init.sh") != std::string::npos)
                scripts.push_back(line);
        EXPECT_EQ(c.script[0] ? Lines{c.script} : Lines{}, scripts) << c.mounted.back();
        auto led = std::find(commands.begin(), commands.end(), "gpio l 13 4000 0 1 0 0");
        if (c.script[0] && led != commands.end()) {
            EXPECT_EQ(c.script, *(led + 1)); // right after the LED
        }
    }
}

TEST_F(UsbInit, HostileMountPointsAreReadBackAndQuoted)
{
    // The kernel writes a blank as \040, a line break as \012, a backslash as \134.
    mounts({"/media/mmc\\040a';reboot;'", "/media/sdb1\\012x", "/media/sd\\134q"});
    directory("media/mmc a';reboot;'");
    file("/media/mmc a';reboot;'/init.sh", "");
    directory("media/sdb1\nx");
    directory("media/sd\\q");
    Lines commands = init();
    EXPECT_EQ("/media/mmc a';reboot;'?/media/sd\\q?", stored("UsbFisrtPart"));
    EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), "'/media/mmc a'\\'';reboot;'\\''/init.sh'"));
    // The name that holds a line break cannot be read by the web pages: left out of both.
    std::string info = read("var/usbinfo");
    EXPECT_EQ(0u, info.find("mmc a';reboot;'?")) << info;
    EXPECT_EQ(std::string::npos, info.find("sdb1")) << info;
    EXPECT_NE(std::string::npos, info.find("#sd\\q?")) << info;
}

TEST_F(UsbInit, LedNumberThatIsNoGpioLineIsRefused)
{
    for (const char *led : {"13;reboot", "", "1 3", "$(reboot)", "73", "4294967368"}) {
        recorder_.clear();
        set("Led_usb", led);
        Lines commands = init();
        for (const std::string &line : commands)
            EXPECT_NE(0u, line.rfind("gpio", 0)) << line;
        EXPECT_NE(std::string::npos, stderr_.find("Led_usb")) << led;
        EXPECT_EQ("killall p910nd", commands.back()); // the rest of the sequence runs
    }
}

TEST_F(UsbInit, TheListAndTheInfoFileKeepTheSameMountPoints)
{
    const struct {
        const char *kernel; // as /proc/mounts shows it
        const char *point;
        bool kept;
    } cases[] = {
        {"/media/sda1", "/media/sda1", true},
        {"/media/sdb\xc3\xa9t\xc3\xa9", "/media/sdb\xc3\xa9t\xc3\xa9", true},
        {"/media/sdc\\011tab", "/media/sdc\ttab", false},
        {"/media/sde\xff\xfe", "/media/sde\xff\xfe", false},
        {"/media/sdg#1", "/media/sdg#1", false},
    };
    Lines kernel;
    for (const auto &c : cases) {
        kernel.push_back(c.kernel);
        directory(c.point + 1);
    }
    mounts(kernel);
    init();
    std::string list = stored("UsbFisrtPart");
    std::string info = read("var/usbinfo");
    for (const auto &c : cases) {
        EXPECT_EQ(c.kept, list.find(std::string(c.point) + "?") != std::string::npos) << c.point << " in " << list;
        EXPECT_EQ(c.kept, info.find(std::string(c.point + 7) + "?") != std::string::npos) << c.point << " in " << info;
    }
}

TEST_F(UsbInit, PartitionListNeverOutgrowsItsStoredForm)
{
    Lines points;
    for (int i = 1; i <= 9; ++i) {
        std::string point = "/media/sda" + std::to_string(i) + std::string(20, 'x');
        points.push_back(point);
        directory(point.substr(1));
    }
    points.push_back("/media/sdb1?x"); // would read back as two entries
    mounts(points);
    Lines commands = init();
    std::string list = stored("UsbFisrtPart");
    EXPECT_EQ(7u * 32u, list.size()); // entries of 31 characters and "?": an eighth would need 256
    EXPECT_EQ(std::string::npos, list.find("sda8"));
    for (const char *left :
         {"/media/sda8xxxxxxxxxxxxxxxxxxxx does not fit", "/media/sda9xxxxxxxxxxxxxxxxxxxx does not fit"})
        EXPECT_NE(std::string::npos, stderr_.find(left)) << left;
    EXPECT_NE(std::string::npos, stderr_.find("/media/sdb1?x holds the separator"));
    // Every storage mount point still counts as storage.
    EXPECT_EQ(10, std::count(commands.begin(), commands.end(), "echo 1 > /tmp/UsbFlag"));
    std::string info = read("var/usbinfo");
    EXPECT_EQ(7, std::count(info.begin(), info.end(), '#'));
}

TEST_F(UsbInit, VanishedPartitionKeepsTheRecordsBeforeIt)
{
    mounts({"/media/sda1", "/media/sdb1", "/media/sdc1"});
    directory("media/sda1");
    directory("media/sdc1"); // sdb1 has gone between the mount list and statfs
    Lines commands = init();
    EXPECT_EQ(2, std::count(commands.begin(), commands.end(), "echo 3 > /proc/sys/vm/drop_caches"));
    std::string info = read("var/usbinfo");
    EXPECT_EQ(0u, info.find("sda1?"));
    EXPECT_EQ(1, std::count(info.begin(), info.end(), '#')) << info;
    EXPECT_NE(std::string::npos, stderr_.find("statfs"));
}

TEST_F(UsbInit, DoMountMountsWhatIsNotMountedThenDoesTheInitWork)
{
    struct Case {
        const char *partitions;
        Lines mounted;
        Lines mountCommands;
        bool initRuns;
        long reads; // of the mount list: one per candidate, one for the init work
    } cases[] = {
        {"sdb", {}, {}, false, 0},                   // a whole disk only
        {"mtdblock0 sda0 hda1", {}, {}, false, 0},   // nothing of ours
        {"sda sda1", {"/media/sda10"}, {}, true, 2}, // substring match
        {"sda1 sdb1", {}, {"automount.sh sda1 nosig", "automount.sh sdb1 nosig"}, true, 3},
        {"mmcblk0 mmcblk0p1", {}, {"automount.sh mmcblk0 nosig", "automount.sh mmcblk0p1 nosig"}, true, 3},
        {"mmcblk0 mmcblk0p1", {"/media/mmcblk0p1"}, {}, true, 3}, // the card's name is inside it too
        {"sdc1$(reboot)", {}, {"automount.sh 'sdc1$(reboot)' nosig"}, true, 2},
    };
    for (const Case &c : cases) {
        recorder_.clear();
        mounts(c.mounted);
        Lines commands = doMount(c.partitions);
        Lines mountCommands;
        for (const std::string &line : commands)
            if (line.rfind("automount.sh", 0) == 0)
                mountCommands.push_back(line);
        EXPECT_EQ(c.mountCommands, mountCommands) << c.partitions;
        EXPECT_EQ(c.reads,
                  std::count(recorder_.reads().begin(), recorder_.reads().end(), "cat /proc/mounts | grep media"))
            << c.partitions;
        bool initRan = stdout_.find("Hotplug device init") != std::string::npos;
        EXPECT_EQ(c.initRuns, initRan) << c.partitions;
        if (!c.initRuns) {
            EXPECT_EQ(Lines{}, commands) << c.partitions;
        }
    }
}

// Without a mount list nothing is mounted (a second mount could stack on the first); the
// candidate still brings the init work.
TEST_F(UsbInit, DoMountWithoutAMountListMountsNothing)
{
    unlink((*tree_ / "proc/mounts").c_str());
    Lines commands = doMount("sda1");
    EXPECT_EQ(0, std::count(commands.begin(), commands.end(), "automount.sh sda1 nosig"));
    EXPECT_NE(std::string::npos, stdout_.find("Hotplug device init"));
    EXPECT_NE(std::string::npos, stderr_.find("cannot read the mount list"));
}

} // namespace
