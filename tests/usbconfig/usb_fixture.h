// A private router tree for the USB tool's unit tests: the store, /proc/mounts,
// /proc/partitions, /dev/lp0, /media and /tmp under a temporary root, and a recorder for
// the commands. "echo N > /tmp/UsbFlag" writes the flag into the tree as the shell would;
// "cat /proc/mounts | grep media" prints the tree's mount list (all of it: the tool keeps
// the "media" lines itself too), or cannot start when the tree has none.
#ifndef QAVO_TESTS_USB_FIXTURE_H
#define QAVO_TESTS_USB_FIXTURE_H

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/support/dry_run.h"
#include "tests/support/test_files.h"
#include "tests/support/tool_run.h"

using qavo::test::Lines;

class UsbTest : public DryRunTest {
protected:
    void SetUp() override
    {
        DryRunTest::SetUp();
        for (const char *dir : {"proc", "dev", "media", "var"})
            ASSERT_EQ(0, mkdir((*tree_ / dir).c_str(), 0755)) << dir;
        for (const char *value : {"0", "1"})
            writes(std::string("echo ") + value + " > /tmp/UsbFlag", "/tmp/UsbFlag", std::string(value) + "\n");
        std::string mountList = *tree_ / "proc/mounts";
        recorder_.answer("cat /proc/mounts | grep media", [mountList](const std::string &) {
            return access(mountList.c_str(), F_OK) == 0 ? std::optional(qavo::test::readFile(mountList)) : std::nullopt;
        });
        settings({{"Led_usb", "13"}, {"Usb_gpio_classify", "0"}, {"PrinterSrvEnabled", "0"}});
        mounts({});
    }

    // /proc/mounts with a root file system, /proc and the given mount points (as the
    // kernel writes them, escapes included), each a tmpfs directory in the tree.
    void mounts(const Lines &points)
    {
        std::string text = "/dev/root / squashfs ro,relatime 0 0\nproc /proc proc rw 0 0\n";
        for (const std::string &point : points)
            text += "/dev/sdx " + point + " vfat rw,relatime 0 0\n";
        qavo::test::writeFile(*tree_ / "proc/mounts", text);
    }
    // A directory under the tree (its statfs is the temporary directory's file system).
    void directory(const std::string &path) { std::filesystem::create_directories(*tree_ / path); }
    std::string read(const std::string &path) { return qavo::test::readFile(*tree_ / path); }
    bool exists(const std::string &path)
    {
        struct stat info;
        return stat((*tree_ / path).c_str(), &info) == 0;
    }
    void printer(bool attached)
    {
        if (attached)
            file("/dev/lp0", "");
        else
            unlink((*tree_ / "dev/lp0").c_str());
    }
};

#endif
