#include "platform/nvram/store_levels.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/nvram/byte_buffer.h"
#include "platform/nvram/store_files.h"
#include "platform/nvram/store_format.h"

namespace nvram {
namespace {

// Reads and parses one file; false when it is missing or unusable.
bool load_file(int section, Level level, EntryTable &out) {
  char path[kPathSize];
  if (!level_path(section, level, path)) return false;
  ByteBuffer text;
  switch (read_whole_file(path, text)) {
    case ReadStatus::missing:
      return false;
    case ReadStatus::not_regular:
      std::fprintf(stderr, "nvram: %s: not a regular file, falling back\n", path);
      return false;
    case ReadStatus::failed:
      std::fprintf(stderr, "nvram: %s: %s, falling back\n", path, std::strerror(errno));
      return false;
    case ReadStatus::ok:
      break;
  }
  const SealRule rule = level == Level::defaults ? SealRule::optional : SealRule::required;
  ParseResult result = parse_store(text.view(), rule, out);
  if (result.damage != nullptr) {
    std::fprintf(stderr, "nvram: %s: damaged store file (%s), falling back\n", path, result.damage);
    return false;
  }
  if (result.bad_line != 0) {
    std::fprintf(stderr, "nvram: %s:%zu: malformed line ignored\n", path, result.bad_line);
  }
  return true;
}

// Adds the defaults' entries for keys the table lacks; frees the rest.
void complete_with_defaults(int section, EntryTable &table) {
  EntryTable defaults;
  if (!load_file(section, Level::defaults, defaults)) return;
  for (const Entry &entry : defaults) {
    Entry replaced{nullptr, nullptr};
    if (table.find(entry.key) != nullptr || !table.put(entry, &replaced)) {
      std::free(const_cast<char *>(entry.key));
    }
  }
}

}  // namespace

bool level_path(int section, Level level, char (&out)[kPathSize]) {
  if (section < 0 || section >= kSectionCount || level == Level::none) return false;
  char fixed[64];
  switch (level) {
    case Level::runtime:
      std::snprintf(fixed, sizeof fixed, "/var/nvram/section%d", section);
      break;
    case Level::persistent:
      std::snprintf(fixed, sizeof fixed, "/etc/nvram/section%d", section);
      break;
    case Level::defaults:
    case Level::none:
      std::snprintf(fixed, sizeof fixed, "/etc_ro/nvram/section%d.defaults", section);
      break;
  }
  return store_path(fixed, out);
}

Level load_section(int section, EntryTable &out) {
  if (load_file(section, Level::runtime, out)) return Level::runtime;
  if (load_file(section, Level::persistent, out)) {
    complete_with_defaults(section, out);
    return Level::persistent;
  }
  if (load_file(section, Level::defaults, out)) return Level::defaults;
  return Level::none;
}

StoreResult store_section(int section, Level level, const EntryTable &table) {
  char path[kPathSize];
  if (!level_path(section, level, path)) return StoreResult::failed;
  ByteBuffer text;
  if (!format_store(table, text)) {
    std::fprintf(stderr, "nvram: %s: out of memory\n", path);
    return StoreResult::failed;
  }
  if (text.size() > kMaxFileSize) {
    std::fprintf(stderr, "nvram: %s: the settings would take %zu bytes, more than the store's limit of %zu; "
                 "not stored\n", path, text.size(), kMaxFileSize);
    return StoreResult::too_large;
  }
  if (!replace_file(path, text.view(), kStoreFileMode)) {
    std::fprintf(stderr, "nvram: %s: %s\n", path, std::strerror(errno));
    return StoreResult::failed;
  }
  return StoreResult::written;
}

}  // namespace nvram
