#include "usbconfig/partition_list.h"

#include <cstdio>
#include <cstring>

#include "lib/validate.h"

namespace usbconfig {
namespace {

// Checked by hand: string_view's substr and compare throw, which would pull the C++ run
// time into the tool.
bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && memcmp(text.data(), prefix.data(), prefix.size()) == 0;
}

} // namespace

const char *unreadableName(std::string_view text, size_t &shown)
{
    shown = text.size();
    if (size_t fault = qavo::validate::textFault(text)) {
        shown = fault - 1;
        return "is not UTF-8 text without control characters";
    }
    if (text.find('?') != std::string_view::npos)
        return "holds the separator \"?\"";
    if (text.find('#') != std::string_view::npos)
        return "holds the record end \"#\"";
    return nullptr;
}

bool PartitionList::add(std::string_view mountPoint)
{
    size_t shown;
    const char *problem = unreadableName(mountPoint, shown);
    if (!problem && mountPoint.size() + 1 > kPartitionListMax - length_)
        problem = "does not fit in the 255 characters of the list";
    if (problem) {
        fprintf(stderr, "Error: UsbFisrtPart: mount point %.*s%s %s; left out\n", static_cast<int>(shown),
                mountPoint.data(), shown < mountPoint.size() ? "..." : "", problem);
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
