#include "usbconfig/partition_list.h"

#include <cstdio>
#include <cstring>

namespace usbconfig {
namespace {

// Checked by hand: string_view's substr and compare throw, which would pull the C++ run
// time into the tool.
bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && memcmp(text.data(), prefix.data(), prefix.size()) == 0;
}

} // namespace

bool PartitionList::add(std::string_view mountPoint)
{
    const char *problem = nullptr;
    if (mountPoint.find('?') != std::string_view::npos)
        problem = "holds the separator \"?\"";
    else if (mountPoint.size() + 1 > kPartitionListMax - length_)
        problem = "does not fit in the 255 characters of the list";
    if (problem) {
        fprintf(stderr, "Error: UsbFisrtPart: mount point %.*s %s; left out\n", static_cast<int>(mountPoint.size()),
                mountPoint.data(), problem);
        return false;
    }
    memcpy(text_ + length_, mountPoint.data(), mountPoint.size());
    length_ += mountPoint.size();
    text_[length_++] = '?';
    text_[length_] = '\0';
    return true;
}

PartitionEntries::PartitionEntries(std::string_view list)
    : rest_(list.data(), list.size() < kPartitionListMax ? list.size() : kPartitionListMax)
{
    if (list.size() > kPartitionListMax)
        fprintf(stderr, "Error: UsbFisrtPart longer than %zu characters; entries past them skipped\n",
                kPartitionListMax);
}

bool PartitionEntries::next(std::string_view &entry)
{
    size_t end = rest_.find('?');
    if (end == std::string_view::npos)
        return false;
    entry = std::string_view(rest_.data(), end);
    rest_.remove_prefix(end + 1);
    return true;
}

bool isMemoryCardMountPoint(std::string_view mountPoint)
{
    return startsWith(mountPoint, "/media/mmc");
}

bool isStorageMountPoint(std::string_view mountPoint)
{
    return startsWith(mountPoint, "/media/sd") || isMemoryCardMountPoint(mountPoint);
}

} // namespace usbconfig
