// The USB info file "/var/usbinfo", read by the web pages: a size summary of every
// mounted storage partition.
#include "usbconfig/usb_info.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "lib/atomic_file.h"
#include "lib/quote.h"
#include "lib/settings.h"
#include "lib/system.h"
#include "qavo/runner.h"
#include "usbconfig/handlers.h"
#include "usbconfig/partition_list.h"

namespace usbconfig {
namespace {

// The magic numbers of ext2/3/4 and of the ext2 development version.
constexpr unsigned long kExtMagic = 0xEF53;
constexpr unsigned long kExtOldMagic = 0xEF51;

// "/media/" is the first 7 characters of every storage mount point.
constexpr size_t kMediaPrefixLength = 7;

constexpr size_t kRecordSize = 128;

// Drops the page cache so statfs sees what the file systems have written.
void dropCaches()
{
    QavoSystem("echo 3 > /proc/sys/vm/drop_caches", 1);
}

// Writes the record of one list entry. False when the statistics cannot be read (the
// caller stops there); a record refused for its name is left out and the rest goes on.
bool writeRecord(qavo::AtomicFile &file, std::string_view mountPoint)
{
    char path[512];
    if (mountPoint.size() >= sizeof path) {
        fprintf(stderr, "Error: /var/usbinfo: mount point %.32s... too long; left out\n", mountPoint.data());
        return true;
    }
    memcpy(path, mountPoint.data(), mountPoint.size());
    path[mountPoint.size()] = '\0';
    char rooted[600];
    struct statfs fs;
    if (!qavo::sys::rootedPath(path, rooted, sizeof rooted) || statfs(rooted, &fs) != 0) {
        perror("statfs");
        return false;
    }
    std::string_view name = mountPoint;
    name.remove_prefix(name.size() < kMediaPrefixLength ? name.size() : kMediaPrefixLength);
    char record[kRecordSize];
    if (!formatUsbRecord(name, sizesOf(fs), record, sizeof record)) {
        fprintf(stderr, "Error: /var/usbinfo: partition name of %s cannot be written; record left out\n", path);
        return true;
    }
    file.writeText(record, strlen(record));
    return true;
}

} // namespace

UsbSizes sizesOf(const struct statfs &fs)
{
    uint64_t blockSize = static_cast<uint64_t>(fs.f_bsize);
    auto type = static_cast<unsigned long>(fs.f_type);
    uint64_t freeBlocks = type == kExtMagic || type == kExtOldMagic ? fs.f_bavail : fs.f_bfree;
    UsbSizes sizes;
    sizes.totalKib = static_cast<uint64_t>(fs.f_blocks) * blockSize / 1024;
    sizes.freeKib = freeBlocks * blockSize / 1024;
    if (sizes.freeKib > sizes.totalKib)
        sizes.freeKib = sizes.totalKib;
    sizes.usedKib = sizes.totalKib - sizes.freeKib;
    sizes.usedPercent =
        sizes.totalKib == 0 ? 0.0 : static_cast<double>(sizes.usedKib) / static_cast<double>(sizes.totalKib) * 100.0;
    return sizes;
}

bool formatUsbRecord(std::string_view name, const UsbSizes &sizes, char *out, size_t size)
{
    size_t shown;
    if (unreadableName(name, shown))
        return false;
    namespace quote = qavo::quote;
    char total[kSizeTextSize], used[kSizeTextSize], free[kSizeTextSize], share[kSizeTextSize];
    chform_size_usb(sizes.totalKib, total);
    chform_size_usb(sizes.usedKib, used);
    chform_size_usb(sizes.freeKib, free);
    snprintf(share, sizeof share, "%.1f%%", sizes.usedPercent);
    quote::Builder record(quote::Syntax::UsbInfo, out, size);
    return record.add("%s?%s?%s?%s?%s?#", {quote::text("partition name", name), quote::line("total size", total),
                                           quote::line("used size", used), quote::line("free size", free),
                                           quote::line("used share", share)});
}

} // namespace usbconfig

extern "C" int chform_size_usb(unsigned long long sizeKib, char *text)
{
    memset(text, 0, usbconfig::kSizeTextSize);
    double size = static_cast<double>(sizeKib);
    const char *unit;
    double value;
    if (size >= 1048576.0) {
        value = size / 1048576.0;
        unit = "GB";
    } else if (size >= 1024.0) {
        value = size / 1024.0;
        unit = "MB";
    } else {
        memcpy(text, "< 1M", 5);
        return 0;
    }
    int length =
        snprintf(text, usbconfig::kSizeTextSize, "%.2f %s", static_cast<double>(static_cast<float>(value)), unit);
    // Past a million GB the text would be cut to another number: leave it empty instead.
    if (length < 0 || static_cast<size_t>(length) >= usbconfig::kSizeTextSize) {
        fprintf(stderr, "Error: size of %llu KiB too large for its text\n", sizeKib);
        memset(text, 0, usbconfig::kSizeTextSize);
    }
    return 0;
}

extern "C" void putusbInfo(void)
{
    using namespace usbconfig;
    qavo::AtomicFile file;
    if (!file.open("/var/usbinfo"))
        return;
    char list[kPartitionListMax + 2];
    snprintf(list, sizeof list, "%s", qavo::setting(qavo::kRouterSection, "UsbFisrtPart"));
    PartitionEntries entries(list);
    bool complete = true;
    std::string_view entry;
    while (complete && entries.next(entry)) {
        dropCaches();
        complete = writeRecord(file, entry);
    }
    // After a statfs failure the records before it are kept: the file is replaced by
    // whole records only, never left half written.
    file.commit();
    if (!complete)
        return;
    sync();
    dropCaches();
}
