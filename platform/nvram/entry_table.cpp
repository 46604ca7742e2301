#include "platform/nvram/entry_table.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace qavo::nvram {

Entry makeEntry(std::string_view key, std::string_view value)
{
    char *block = static_cast<char *>(std::malloc(key.size() + value.size() + 2));
    if (block == nullptr)
        return Entry{nullptr, nullptr};
    std::memcpy(block, key.data(), key.size());
    block[key.size()] = '\0';
    char *valueStart = block + key.size() + 1;
    std::memcpy(valueStart, value.data(), value.size());
    valueStart[value.size()] = '\0';
    return Entry{block, valueStart};
}

EntryTable::EntryTable(EntryTable &&other) noexcept
    : items_(std::exchange(other.items_, nullptr)), count_(std::exchange(other.count_, 0)),
      capacity_(std::exchange(other.capacity_, 0))
{}

EntryTable &EntryTable::operator=(EntryTable &&other) noexcept
{
    if (this != &other) {
        std::free(items_);
        items_ = std::exchange(other.items_, nullptr);
        count_ = std::exchange(other.count_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

EntryTable::~EntryTable()
{
    std::free(items_);
}

std::size_t EntryTable::lowerBound(const char *key) const
{
    std::size_t low = 0;
    std::size_t high = count_;
    while (low < high) {
        std::size_t middle = low + (high - low) / 2;
        if (std::strcmp(items_[middle].key, key) < 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

const Entry *EntryTable::find(const char *key) const
{
    std::size_t at = lowerBound(key);
    if (at < count_ && std::strcmp(items_[at].key, key) == 0)
        return &items_[at];
    return nullptr;
}

bool EntryTable::put(Entry entry, Entry *replaced)
{
    replaced->key = nullptr;
    replaced->value = nullptr;
    // Files are written in key order, so loading appends at the end.
    std::size_t at =
        (count_ > 0 && std::strcmp(items_[count_ - 1].key, entry.key) < 0) ? count_ : lowerBound(entry.key);
    if (at < count_ && std::strcmp(items_[at].key, entry.key) == 0) {
        *replaced = items_[at];
        items_[at] = entry;
        return true;
    }
    if (count_ == capacity_) {
        std::size_t grown = capacity_ == 0 ? 64 : capacity_ * 2;
        void *larger = std::realloc(items_, grown * sizeof(Entry));
        if (larger == nullptr)
            return false;
        items_ = static_cast<Entry *>(larger);
        capacity_ = grown;
    }
    std::memmove(items_ + at + 1, items_ + at, (count_ - at) * sizeof(Entry));
    items_[at] = entry;
    ++count_;
    return true;
}

void EntryTable::shareUnchanged(const EntryTable &older)
{
    for (std::size_t i = 0; i < count_; ++i) {
        const Entry *old = older.find(items_[i].key);
        if (old == nullptr || old->key == items_[i].key)
            continue;
        if (std::strcmp(old->value, items_[i].value) != 0)
            continue;
        std::free(const_cast<char *>(items_[i].key));
        items_[i] = *old;
    }
}

void EntryTable::freeBlocks()
{
    for (std::size_t i = 0; i < count_; ++i)
        std::free(const_cast<char *>(items_[i].key));
    count_ = 0;
}

} // namespace qavo::nvram
