// Delimited list values: reading, counting, replacing and deleting items.
#include "qavo/lists.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr int kMaxSetItems = 8;
constexpr size_t kMaxSetItemLength = 255;
constexpr size_t kSetResultSize = 2048;

// The item that starts at begin: up to the next delimiter or the end of the text.
std::string_view itemAt(const char *begin, char delimiter)
{
    const char *end = strchr(begin, delimiter);
    return end ? std::string_view(begin, static_cast<size_t>(end - begin)) : std::string_view(begin);
}

// Appends text to the result; the limits of setNthValue guarantee it fits.
void append(char *result, size_t &length, std::string_view text)
{
    if (text.empty())
        return; // an item past the end of the list has no text at all
    memcpy(result + length, text.data(), text.size());
    length += text.size();
}

bool refuseSet(const char *why)
{
    fprintf(stderr, "setNthValue: %s\n", why);
    return false;
}

// Splits list into at most kMaxSetItems items of at most kMaxSetItemLength characters.
bool splitForSet(const char *list, std::string_view (&items)[kMaxSetItems], int &itemCount)
{
    itemCount = 0;
    const char *start = list;
    for (;;) {
        if (itemCount == kMaxSetItems)
            return refuseSet("the list holds more than 8 items");
        std::string_view item = itemAt(start, ';');
        if (item.size() > kMaxSetItemLength)
            return refuseSet("an item is longer than 255 characters");
        items[itemCount++] = item;
        if (start[item.size()] == '\0')
            return true;
        start += item.size() + 1;
    }
}

} // namespace

extern "C" int getNthValueSafe(int index, const char *list, char delimiter, char *out, int outSize)
{
    if (!list || !out || outSize <= 0 || index < 0)
        return -1;
    const char *start = list;
    for (int skipped = 0; skipped < index; ++skipped) {
        const char *next = strchr(start, delimiter);
        if (!next || delimiter == '\0')
            return -1;
        start = next + 1;
    }
    std::string_view item = itemAt(start, delimiter);
    size_t length = std::min(item.size(), static_cast<size_t>(outSize) - 1);
    memcpy(out, item.data(), length);
    out[length] = '\0';
    return 0;
}

extern "C" char *getNthValue(int index, char *list)
{
    static char none[] = "";
    static char *result;
    if (!list)
        return nullptr;
    // strtok_r keeps the tokenizer's state here, so callers' own strtok runs are not disturbed.
    char *state = nullptr;
    result = strtok_r(list, ";", &state);
    for (int step = 0; result && step < index; ++step)
        result = strtok_r(nullptr, ";", &state);
    if (!result) {
        none[0] = '\0';
        result = none;
    }
    return result;
}

extern "C" char *setNthValue(int index, const char *list, const char *value)
{
    static char result[kSetResultSize];
    if (!list || !value) {
        refuseSet("no list or no value");
        return nullptr;
    }
    if (index < 0 || index >= kMaxSetItems) {
        refuseSet("the index is outside 0 to 7");
        return nullptr;
    }
    if (strlen(value) > kMaxSetItemLength) {
        refuseSet("the value is longer than 255 characters");
        return nullptr;
    }
    std::string_view items[kMaxSetItems];
    int itemCount;
    if (!splitForSet(list, items, itemCount))
        return nullptr;
    items[index] = value;
    int last = std::max(index, itemCount - 1);
    size_t length = 0;
    for (int k = 0; k <= last; ++k) {
        if (k > 0)
            append(result, length, ";");
        append(result, length, items[k]);
    }
    result[length] = '\0';
    return result;
}

extern "C" int getNums(const char *list, char delimiter)
{
    if (!list)
        return 0;
    int count = 1;
    if (delimiter != '\0')
        for (const char *p = list; (p = strchr(p, delimiter)) != nullptr; ++p)
            ++count;
    return count;
}

extern "C" int getRuleNums(const char *list)
{
    return getNums(list, ';');
}

extern "C" int deleteNthValueMulti(const int *indexes, int count, char *list, char delimiter)
{
    if (!indexes || count <= 0 || !list || delimiter == '\0')
        return 0;
    // The kept items joined by the delimiter: that is what remains once each deleted item
    // goes with the delimiter in front of it and a delimiter left in front is dropped.
    // Written in place; the write position never passes the read position.
    int pending = 0;
    char *write = list;
    bool anyKept = false;
    const char *read = list;
    for (int item = 0;; ++item) {
        std::string_view text = itemAt(read, delimiter);
        bool last = read[text.size()] == '\0';
        if (pending < count && indexes[pending] == item) {
            ++pending;
        } else {
            if (anyKept)
                *write++ = delimiter;
            memmove(write, text.data(), text.size());
            write += text.size();
            anyKept = true;
        }
        if (last)
            break;
        read += text.size() + 1;
    }
    *write = '\0';
    return 0;
}
