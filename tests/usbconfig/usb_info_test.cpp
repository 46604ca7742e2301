// Size texts, the sizes taken from file-system statistics, info records, the partition
// list and the mount list's escapes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "lib/storage.h"
#include "usbconfig/handlers.h"
#include "usbconfig/partition_list.h"
#include "usbconfig/usb_info.h"

using namespace usbconfig;

namespace {

std::string sizeText(unsigned long long kib)
{
    char text[kSizeTextSize];
    memset(text, 'x', sizeof text);
    EXPECT_EQ(0, chform_size_usb(kib, text));
    EXPECT_EQ('\0', text[kSizeTextSize - 1]);
    return text;
}

struct statfs fileSystem(unsigned long type, long blockSize, uint64_t blocks, uint64_t freeBlocks, uint64_t available)
{
    struct statfs fs {};
    fs.f_type = static_cast<decltype(fs.f_type)>(type);
    fs.f_bsize = blockSize;
    fs.f_blocks = blocks;
    fs.f_bfree = freeBlocks;
    fs.f_bavail = available;
    return fs;
}

} // namespace

TEST(SizeText, UnitBoundaries)
{
    struct {
        unsigned long long kib;
        const char *text;
    } cases[] = {
        {0, "< 1M"},
        {512, "< 1M"},
        {1023, "< 1M"},
        {1024, "1.00 MB"},
        {524288, "512.00 MB"},
        {1048575, "1024.00 MB"}, // just below a GB, rounded up in single precision
        {1048576, "1.00 GB"},
        {15550000, "14.83 GB"},
        {1ull << 40, "1048576.00 GB"},
        {~0ull, ""}, // cannot be written in 16 bytes: empty rather than cut
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.text, sizeText(c.kib)) << c.kib;
}

TEST(UsbSizes, ExtCountsReservedBlocksAsUsedOtherFileSystemsDoNot)
{
    struct {
        unsigned long type;
        uint64_t freeKib;
    } cases[] = {{0xEF53, 3000}, {0xEF51, 3000}, {0x4d44 /* FAT */, 4000}, {0x01021994 /* tmpfs */, 4000}};
    for (const auto &c : cases) {
        UsbSizes sizes = sizesOf(fileSystem(c.type, 4096, 2500, 1000, 750));
        EXPECT_EQ(10000u, sizes.totalKib);
        EXPECT_EQ(c.freeKib, sizes.freeKib) << std::hex << c.type;
        EXPECT_EQ(10000u - c.freeKib, sizes.usedKib);
        EXPECT_DOUBLE_EQ((10000.0 - c.freeKib) / 10000.0 * 100.0, sizes.usedPercent);
    }
}

TEST(UsbSizes, LargeDisksEmptyAndInconsistentStatistics)
{
    // 4 TiB of 4 KiB blocks does not overflow.
    UsbSizes large = sizesOf(fileSystem(0xEF53, 4096, 1ull << 30, 1ull << 29, 1ull << 29));
    EXPECT_EQ(1ull << 32, large.totalKib);
    EXPECT_DOUBLE_EQ(50.0, large.usedPercent);
    UsbSizes empty = sizesOf(fileSystem(0x4d44, 512, 0, 0, 0));
    EXPECT_EQ(0u, empty.totalKib);
    EXPECT_EQ(0.0, empty.usedPercent);
    UsbSizes odd = sizesOf(fileSystem(0x4d44, 1024, 10, 20, 20));
    EXPECT_EQ(0u, odd.usedKib);
}

TEST(UsbRecord, FormatAndNamesTheWebPagesCannotRead)
{
    UsbSizes sizes{15550000, 13348000, 2202000, 14.16};
    char record[128];
    ASSERT_TRUE(formatUsbRecord("sda1", sizes, record, sizeof record));
    EXPECT_STREQ("sda1?14.83 GB?2.10 GB?12.73 GB?14.2%?#", record);
    ASSERT_TRUE(formatUsbRecord("my disk", UsbSizes{512, 0, 512, 100.0}, record, sizeof record));
    EXPECT_STREQ("my disk?< 1M?< 1M?< 1M?100.0%?#", record);
    for (const char *name : {"a?b", "a#b", "a\nb", "a\x7f"})
        EXPECT_FALSE(formatUsbRecord(name, sizes, record, sizeof record)) << name;
    EXPECT_FALSE(formatUsbRecord(std::string(100, 'x'), sizes, record, sizeof record));
}

TEST(PartitionListText, EntriesReadBackAsWritten)
{
    PartitionList list;
    EXPECT_TRUE(list.add("/media/sda1"));
    EXPECT_TRUE(list.add("/media/mmc blk0p1"));
    EXPECT_FALSE(list.add("/media/a?b"));
    EXPECT_STREQ("/media/sda1?/media/mmc blk0p1?", list.text());

    struct {
        const char *stored;
        std::vector<std::string> entries;
    } cases[] = {
        {"/media/sda1?/media/sdb1?", {"/media/sda1", "/media/sdb1"}},
        {"/media/sda1?tail", {"/media/sda1"}},
        {"", {}},
        {"??", {"", ""}},
    };
    for (const auto &c : cases) {
        PartitionEntries entries(c.stored);
        std::vector<std::string> read;
        std::string_view entry;
        while (entries.next(entry))
            read.emplace_back(entry);
        EXPECT_EQ(c.entries, read) << c.stored;
    }
    // Only the first 255 characters of an over-long stored value are read.
    std::string stored = std::string(250, 'a') + "?" + std::string(10, 'b') + "?";
    testing::internal::CaptureStderr();
    PartitionEntries entries(stored);
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("longer than 255"));
    std::string_view entry;
    ASSERT_TRUE(entries.next(entry));
    EXPECT_EQ(250u, entry.size());
    EXPECT_FALSE(entries.next(entry));
}

TEST(MountListLine, SecondFieldWithTheKernelsEscapesDecoded)
{
    struct {
        const char *line;
        const char *point; // nullptr: no mount point
    } cases[] = {
        {"/dev/sda1 /media/sda1 vfat rw 0 0\n", "/media/sda1"},
        {"/dev/sda1 /media/my\\040disk ext4 rw 0 0\n", "/media/my disk"},
        {"/dev/sda1 /media/a\\012b\\011c\\134d ext4 rw 0 0\n", "/media/a\nb\tc\\d"},
        {"/dev/sda1 /media/a\\04 ext4 rw 0 0\n", "/media/a\\04"}, // not an escape
        {"/dev/sda1 /media/a\\0400 ext4 rw 0 0\n", "/media/a 0"},
        {"/dev/sda1 /media/a\\000b ext4 rw 0 0\n", nullptr}, // a NUL is no path
        {"/dev/sda1 /media/a\\777 ext4 rw 0 0\n", nullptr},  // no byte
        {"/dev/sda1 /media/sda1\n", nullptr},                // no type: a cut line
        {"/dev/sda1\n", nullptr},
        {"", nullptr},
    };
    for (const auto &c : cases) {
        qavo::storage::MountPoint point;
        bool found = qavo::storage::mountPoint(c.line, point);
        EXPECT_EQ(c.point != nullptr, found) << c.line;
        if (c.point && found) {
            EXPECT_STREQ(c.point, point);
        }
    }
}
