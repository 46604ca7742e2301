// Sorted array of settings of one section, searched by binary search.
#ifndef QAVO_PLATFORM_NVRAM_ENTRY_TABLE_H
#define QAVO_PLATFORM_NVRAM_ENTRY_TABLE_H

#include <cstddef>
#include <string_view>

namespace qavo::nvram {

// One setting. Key and value live in one heap block "key\0value\0" that starts
// at `key`; the table does not own the blocks (see freeBlocks).
struct Entry {
    const char *key;
    const char *value;
};

// Allocates the block for one setting; nullptr when memory runs out.
Entry makeEntry(std::string_view key, std::string_view value);

class EntryTable {
public:
    EntryTable() = default;
    EntryTable(const EntryTable &) = delete;
    EntryTable &operator=(const EntryTable &) = delete;
    EntryTable(EntryTable &&other) noexcept;
    EntryTable &operator=(EntryTable &&other) noexcept;
    ~EntryTable(); // frees the array, never the blocks

    const Entry *find(const char *key) const;

    // Inserts the entry, or replaces the one with the same key and stores the
    // replaced entry in *replaced (else replaced->key is nullptr). False when
    // memory runs out; the table is then unchanged.
    bool put(Entry entry, Entry *replaced);

    // Points entries whose key and value equal an entry of `older` at older's
    // block and frees their own, so strings handed out earlier keep serving.
    void shareUnchanged(const EntryTable &older);

    // Frees every block of the table and empties it. Only for tables whose
    // strings were never handed to a caller.
    void freeBlocks();

    const Entry *begin() const { return items_; }
    const Entry *end() const { return items_ + count_; }
    std::size_t size() const { return count_; }

private:
    std::size_t lowerBound(const char *key) const;

    Entry *items_ = nullptr;
    std::size_t count_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace qavo::nvram

#endif
