#include "platform/nvram/store_levels.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/nvram/byte_buffer.h"
#include "platform/nvram/store_files.h"
#include "platform/nvram/store_format.h"

namespace qavo::nvram {
namespace {

// Reads and parses one file; false when it is missing or unusable.
bool loadFile(int section, Level level, EntryTable &out)
{
    char path[kPathSize];
    if (!levelPath(section, level, path))
        return false;
    ByteBuffer text;
    switch (readWholeFile(path, text)) {
    case ReadStatus::Missing:
        return false;
    case ReadStatus::NotRegular:
        std::fprintf(stderr, "nvram: %s: not a regular file, falling back\n", path);
        return false;
    case ReadStatus::Failed:
        std::fprintf(stderr, "nvram: %s: %s, falling back\n", path, std::strerror(errno));
        return false;
    case ReadStatus::Ok:
        break;
    }
    const SealRule rule = level == Level::Defaults ? SealRule::Optional : SealRule::Required;
    ParseResult result = parseStore(text.view(), rule, out);
    if (result.damage != nullptr) {
        std::fprintf(stderr, "nvram: %s: damaged store file (%s), falling back\n", path, result.damage);
        return false;
    }
    if (result.badLine != 0) {
        std::fprintf(stderr, "nvram: %s:%zu: malformed line ignored\n", path, result.badLine);
    }
    return true;
}

// Adds the defaults' entries for keys the table lacks; frees the rest.
void completeWithDefaults(int section, EntryTable &table)
{
    EntryTable defaults;
    if (!loadFile(section, Level::Defaults, defaults))
        return;
    for (const Entry &entry : defaults) {
        Entry replaced{nullptr, nullptr};
        if (table.find(entry.key) != nullptr || !table.put(entry, &replaced)) {
            std::free(const_cast<char *>(entry.key));
        }
    }
}

} // namespace

bool levelPath(int section, Level level, char (&out)[kPathSize])
{
    if (section < 0 || section >= kSectionCount || level == Level::None)
        return false;
    char fixed[64];
    switch (level) {
    case Level::Runtime:
        std::snprintf(fixed, sizeof fixed, "/var/nvram/section%d", section);
        break;
    case Level::Persistent:
        std::snprintf(fixed, sizeof fixed, "/etc/nvram/section%d", section);
        break;
    case Level::Defaults:
    case Level::None:
        std::snprintf(fixed, sizeof fixed, "/etc_ro/nvram/section%d.defaults", section);
        break;
    }
    return storePath(fixed, out);
}

Level loadSection(int section, EntryTable &out)
{
    if (loadFile(section, Level::Runtime, out))
        return Level::Runtime;
    if (loadFile(section, Level::Persistent, out)) {
        completeWithDefaults(section, out);
        return Level::Persistent;
    }
    if (loadFile(section, Level::Defaults, out))
        return Level::Defaults;
    return Level::None;
}

StoreResult storeSection(int section, Level level, const EntryTable &table)
{
    char path[kPathSize];
    if (!levelPath(section, level, path))
        return StoreResult::Failed;
    ByteBuffer text;
    if (!formatStore(table, text)) {
        std::fprintf(stderr, "nvram: %s: out of memory\n", path);
        return StoreResult::Failed;
    }
    if (text.size() > kMaxFileSize) {
        std::fprintf(stderr,
                     "nvram: %s: the settings would take %zu bytes, more than the store's limit of %zu; "
                     "not stored\n",
                     path, text.size(), kMaxFileSize);
        return StoreResult::TooLarge;
    }
    if (!replaceFile(path, text.view(), kStoreFileMode)) {
        std::fprintf(stderr, "nvram: %s: %s\n", path, std::strerror(errno));
        return StoreResult::Failed;
    }
    return StoreResult::Written;
}

} // namespace qavo::nvram
