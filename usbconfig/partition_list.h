// The partition list in "UsbFisrtPart" (the setting's stored name; the web pages read it
// under that spelling, so it is kept): the mount points of the mounted storage, each
// followed by "?" (/media/sda1?/media/sdb1?), at most 255 characters.
#ifndef QAVO_USBCONFIG_PARTITION_LIST_H
#define QAVO_USBCONFIG_PARTITION_LIST_H

#include <cstddef>
#include <string_view>

namespace usbconfig {

constexpr size_t kPartitionListMax = 255;

// A list being built; it never grows past kPartitionListMax.
class PartitionList {
public:
    // Appends the mount point and "?". A mount point that would not fit, or that breaks
    // the rule of unreadableName, is left out with a message naming it.
    bool add(std::string_view mountPoint);
    const char *text() const { return text_; }

private:
    char text_[kPartitionListMax + 1] = "";
    size_t length_ = 0;
};

// The entries of a stored list, in order: each text terminated by "?". Text after the
// last "?" is not an entry; only the first kPartitionListMax characters are read.
class PartitionEntries {
public:
    explicit PartitionEntries(std::string_view list);
    // The next entry (without its "?"); false after the last.
    bool next(std::string_view &entry);

private:
    std::string_view rest_;
};

// The rule for a mount point, and the partition name taken from it, in both places the web
// pages read them ("UsbFisrtPart" and "/var/usbinfo"): readable text (qavo::validate::
// textFault) without the list's separator "?" or the record's end "#". nullptr when text
// keeps it; otherwise why not, with shown set to how many of its bytes may be printed.
const char *unreadableName(std::string_view text, size_t &shown);

// Is a mount point storage for this tool: a USB disk partition ("/media/sd...") or a
// memory card ("/media/mmc...").
bool isStorageMountPoint(std::string_view mountPoint);
bool isMemoryCardMountPoint(std::string_view mountPoint);

} // namespace usbconfig

#endif
