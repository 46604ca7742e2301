// The store's operations as seen by the router's programs: per-process
// copies of the sections in memory, files under the store lock for writes.
#include "nvram.h"

#include <cstdlib>
#include <new>

#include "platform/nvram/entry_table.h"
#include "platform/nvram/store_files.h"
#include "platform/nvram/store_levels.h"

namespace qavo::nvram {
namespace {

// Blocks whose strings may still be held by callers after the section moved
// on. They are kept for the life of the process and stay reachable from here.
class RetiredBlocks {
public:
    void keep(const char *block)
    {
        if (block == nullptr)
            return;
        if (count_ == capacity_) {
            std::size_t grown = capacity_ == 0 ? 16 : capacity_ * 2;
            void *larger = std::realloc(blocks_, grown * sizeof(const char *));
            if (larger == nullptr)
                return; // the block is still never freed
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
Store &store()
{
    alignas(Store) static unsigned char storage[sizeof(Store)];
    static Store *instance = nullptr;
    if (instance == nullptr)
        instance = new (storage) Store();
    return *instance;
}

bool validSection(int section)
{
    return section >= 0 && section < kSectionCount;
}

// Makes `fresh` the section's copy in memory. Entries that did not change
// keep their strings; strings that fall out of the copy are retired.
void adopt(int section, EntryTable &fresh)
{
    Store &s = store();
    SectionCache &cache = s.sections[section];
    fresh.shareUnchanged(cache.table);
    for (const Entry &old : cache.table) {
        const Entry *now = fresh.find(old.key);
        if (now == nullptr || now->key != old.key)
            s.retired.keep(old.key);
    }
    cache.table = static_cast<EntryTable &&>(fresh);
    cache.loaded = true;
}

SectionCache &loadedSection(int section)
{
    SectionCache &cache = store().sections[section];
    if (!cache.loaded) {
        EntryTable fresh;
        loadSection(section, fresh);
        adopt(section, fresh);
    }
    return cache;
}

// Without the lock nothing may be written; the caller still sees the value.
void putInMemoryOnly(int section, Entry entry)
{
    SectionCache &cache = loadedSection(section);
    Entry replaced;
    if (!cache.table.put(entry, &replaced)) {
        std::free(const_cast<char *>(entry.key));
        return;
    }
    store().retired.keep(replaced.key);
}

} // namespace
} // namespace qavo::nvram

using namespace qavo::nvram;

extern "C" {

QAVO_API int nvram_init(int section)
{
    if (!validSection(section))
        return -1;
    StoreLock lock;
    EntryTable fresh;
    Level level = loadSection(section, fresh);
    int result = 0;
    if (!lock.held()) {
        result = -1;
    } else if (level != Level::Runtime && storeSection(section, Level::Runtime, fresh) != StoreResult::Written) {
        result = -1;
    }
    adopt(section, fresh);
    return result;
}

QAVO_API const char *nvram_bufget(int section, const char *key)
{
    if (!validSection(section) || key == nullptr)
        return "";
    const Entry *entry = loadedSection(section).table.find(key);
    return entry != nullptr ? entry->value : "";
}

QAVO_API const char *nvram_get(int section, const char *key)
{
    return nvram_bufget(section, key);
}

QAVO_API int nvram_bufset(int section, const char *key, const char *value)
{
    if (!validSection(section) || key == nullptr || key[0] == '\0' || value == nullptr) {
        return -1;
    }
    Entry entry = makeEntry(key, value);
    if (entry.key == nullptr)
        return -1;
    StoreLock lock;
    if (!lock.held()) {
        putInMemoryOnly(section, entry);
        return -1;
    }
    // Start from what other processes may have written since this one loaded.
    EntryTable fresh;
    loadSection(section, fresh);
    Entry replaced;
    if (!fresh.put(entry, &replaced)) {
        std::free(const_cast<char *>(entry.key));
        fresh.freeBlocks();
        return -1;
    }
    std::free(const_cast<char *>(replaced.key));
    StoreResult stored = storeSection(section, Level::Runtime, fresh);
    if (stored == StoreResult::TooLarge) {
        // Refused: the process keeps seeing what is stored, without the value.
        fresh.freeBlocks();
        return -1;
    }
    adopt(section, fresh);
    return stored == StoreResult::Written ? 0 : -1;
}

QAVO_API int nvram_commit(int section)
{
    if (!validSection(section))
        return -1;
    StoreLock lock;
    if (!lock.held())
        return -1;
    EntryTable fresh;
    Level level = loadSection(section, fresh);
    bool written = storeSection(section, Level::Persistent, fresh) == StoreResult::Written;
    if (level != Level::Runtime) {
        written = storeSection(section, Level::Runtime, fresh) == StoreResult::Written && written;
    }
    adopt(section, fresh);
    return written ? 0 : -1;
}

QAVO_API int nvram_close(int section)
{
    return validSection(section) ? 0 : -1;
}

} // extern "C"
