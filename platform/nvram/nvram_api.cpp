// The store's operations as seen by the router's programs: per-process
// copies of the sections in memory, files under the store lock for writes.
#include "nvram.h"

#include <cstdlib>
#include <new>

#include "platform/nvram/entry_table.h"
#include "platform/nvram/store_files.h"
#include "platform/nvram/store_levels.h"

namespace nvram {
namespace {

// Blocks whose strings may still be held by callers after the section moved
// on. They are kept for the life of the process and stay reachable from here.
class RetiredBlocks {
 public:
  void keep(const char *block) {
    if (block == nullptr) return;
    if (count_ == capacity_) {
      std::size_t grown = capacity_ == 0 ? 16 : capacity_ * 2;
      void *larger = std::realloc(blocks_, grown * sizeof(const char *));
      if (larger == nullptr) return;  // the block is still never freed
      blocks_ = static_cast<const char **>(larger);
      capacity_ = grown;
    }
    blocks_[count_++] = block;
  }

 private:
  const char **blocks_ = nullptr;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
};

struct SectionCache {
  EntryTable table;
  bool loaded = false;
};

struct Store {
  SectionCache sections[kSectionCount];
  RetiredBlocks retired;
};

// Built once and never destroyed, so strings stay valid even for readers
// that run during process exit.
Store &store() {
  alignas(Store) static unsigned char storage[sizeof(Store)];
  static Store *instance = nullptr;
  if (instance == nullptr) instance = new (storage) Store();
  return *instance;
}

bool valid_section(int section) { return section >= 0 && section < kSectionCount; }

// Makes `fresh` the section's copy in memory. Entries that did not change
// keep their strings; strings that fall out of the copy are retired.
void adopt(int section, EntryTable &fresh) {
  Store &s = store();
  SectionCache &cache = s.sections[section];
  fresh.share_unchanged(cache.table);
  for (const Entry &old : cache.table) {
    const Entry *now = fresh.find(old.key);
    if (now == nullptr || now->key != old.key) s.retired.keep(old.key);
  }
  cache.table = static_cast<EntryTable &&>(fresh);
  cache.loaded = true;
}

SectionCache &loaded_section(int section) {
  SectionCache &cache = store().sections[section];
  if (!cache.loaded) {
    EntryTable fresh;
    load_section(section, fresh);
    adopt(section, fresh);
  }
  return cache;
}

// Without the lock nothing may be written; the caller still sees the value.
void put_in_memory_only(int section, Entry entry) {
  SectionCache &cache = loaded_section(section);
  Entry replaced;
  if (!cache.table.put(entry, &replaced)) {
    std::free(const_cast<char *>(entry.key));
    return;
  }
  store().retired.keep(replaced.key);
}

}  // namespace
}  // namespace nvram

using nvram::Entry;
using nvram::EntryTable;
using nvram::Level;

extern "C" {

QAVO_API int nvram_init(int section) {
  if (!nvram::valid_section(section)) return -1;
  nvram::StoreLock lock;
  EntryTable fresh;
  Level level = nvram::load_section(section, fresh);
  int result = 0;
  if (!lock.held()) {
    result = -1;
  } else if (level != Level::runtime &&
             nvram::store_section(section, Level::runtime, fresh) != nvram::StoreResult::written) {
    result = -1;
  }
  nvram::adopt(section, fresh);
  return result;
}

QAVO_API const char *nvram_bufget(int section, const char *key) {
  if (!nvram::valid_section(section) || key == nullptr) return "";
  const Entry *entry = nvram::loaded_section(section).table.find(key);
  return entry != nullptr ? entry->value : "";
}

QAVO_API const char *nvram_get(int section, const char *key) { return nvram_bufget(section, key); }

QAVO_API int nvram_bufset(int section, const char *key, const char *value) {
  if (!nvram::valid_section(section) || key == nullptr || key[0] == '\0' || value == nullptr) {
    return -1;
  }
  Entry entry = nvram::make_entry(key, value);
  if (entry.key == nullptr) return -1;
  nvram::StoreLock lock;
  if (!lock.held()) {
    nvram::put_in_memory_only(section, entry);
    return -1;
  }
  // Start from what other processes may have written since this one loaded.
  EntryTable fresh;
  nvram::load_section(section, fresh);
  Entry replaced;
  if (!fresh.put(entry, &replaced)) {
    std::free(const_cast<char *>(entry.key));
    fresh.free_blocks();
    return -1;
  }
  std::free(const_cast<char *>(replaced.key));
  nvram::StoreResult stored = nvram::store_section(section, Level::runtime, fresh);
  if (stored == nvram::StoreResult::too_large) {
    // Refused: the process keeps seeing what is stored, without the value.
    fresh.free_blocks();
    return -1;
  }
  nvram::adopt(section, fresh);
  return stored == nvram::StoreResult::written ? 0 : -1;
}

QAVO_API int nvram_commit(int section) {
  if (!nvram::valid_section(section)) return -1;
  nvram::StoreLock lock;
  if (!lock.held()) return -1;
  EntryTable fresh;
  Level level = nvram::load_section(section, fresh);
  using nvram::StoreResult;
  bool written = nvram::store_section(section, Level::persistent, fresh) == StoreResult::written;
  if (level != Level::runtime) {
    written = nvram::store_section(section, Level::runtime, fresh) == StoreResult::written && written;
  }
  nvram::adopt(section, fresh);
  return written ? 0 : -1;
}

QAVO_API int nvram_close(int section) { return nvram::valid_section(section) ? 0 : -1; }

}  // extern "C"
