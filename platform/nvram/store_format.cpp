#include "platform/nvram/store_format.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qavo::nvram {
namespace {

constexpr std::string_view kSealPrefix = "#seal ";

// Part of a text without the range check of substr (which would pull the
// C++ runtime into the library); positions are always within the text here.
std::string_view slice(std::string_view text, std::size_t from, std::size_t count = std::string_view::npos)
{
    std::size_t rest = text.size() - from;
    return std::string_view(text.data() + from, count < rest ? count : rest);
}

constexpr std::array<std::uint32_t, 256> makeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = makeCrcTable();

bool appendEscaped(std::string_view text, bool isKey, ByteBuffer &out)
{
    std::size_t plainFrom = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char *escape = nullptr;
        if (c == '\\')
            escape = "\\\\";
        else if (c == '\n')
            escape = "\\n";
        else if (c == '\r')
            escape = "\\r";
        else if (isKey && c == '=')
            escape = "\\=";
        else if (isKey && c == '#' && i == 0)
            escape = "\\#";
        if (escape == nullptr)
            continue;
        out.append(slice(text, plainFrom, i - plainFrom));
        out.append(std::string_view(escape, 2));
        plainFrom = i + 1;
    }
    return out.append(slice(text, plainFrom));
}

// Undoes appendEscaped from `text` into `to`; returns the length written, or
// -1 for an unknown escape. `to` needs room for text.size() bytes.
long unescape(std::string_view text, char *to)
{
    std::size_t written = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\') {
            if (++i == text.size())
                return -1;
            switch (text[i]) {
            case '\\':
                c = '\\';
                break;
            case 'n':
                c = '\n';
                break;
            case 'r':
                c = '\r';
                break;
            case '=':
                c = '=';
                break;
            case '#':
                c = '#';
                break;
            default:
                return -1;
            }
        }
        to[written++] = c;
    }
    return static_cast<long>(written);
}

// Position of the first "=" that is not escaped, or npos.
std::size_t findSeparator(std::string_view line)
{
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == '=')
            return i;
    }
    return std::string_view::npos;
}

// Adds one "key=value" line; false when it is malformed or memory runs out.
bool parseLine(std::string_view line, EntryTable &out)
{
    // A zero byte cannot be part of a key or value that callers read as C strings: kept, a
    // key would read as another (even empty) key, and the next commit could not be read back.
    if (line.find('\0') != std::string_view::npos)
        return false;
    std::size_t separator = findSeparator(line);
    if (separator == std::string_view::npos || separator == 0)
        return false;
    std::string_view rawKey = slice(line, 0, separator);
    std::string_view rawValue = slice(line, separator + 1);
    // The unescaped texts are never longer than the escaped ones.
    Entry entry = makeEntry(rawKey, rawValue);
    if (entry.key == nullptr)
        return false;
    char *block = const_cast<char *>(entry.key);
    long keyLength = unescape(rawKey, block);
    if (keyLength <= 0) {
        std::free(block);
        return false;
    }
    block[keyLength] = '\0';
    char *value = block + keyLength + 1;
    long valueLength = unescape(rawValue, value);
    if (valueLength < 0) {
        std::free(block);
        return false;
    }
    value[valueLength] = '\0';
    Entry replaced;
    if (!out.put(Entry{block, value}, &replaced)) {
        std::free(block);
        return false;
    }
    std::free(const_cast<char *>(replaced.key));
    return true;
}

struct Seal {
    bool present;
    bool valid;
    std::size_t bodySize;
    unsigned long entries;
    std::uint32_t checksum;
};

// Looks at the last line of the text for a seal line.
Seal findSeal(std::string_view text)
{
    Seal seal{false, false, text.size(), 0, 0};
    if (text.empty() || text.back() != '\n')
        return seal;
    std::size_t start = text.rfind('\n', text.size() - 2);
    start = (start == std::string_view::npos) ? 0 : start + 1;
    std::string_view line = slice(text, start, text.size() - 1 - start);
    if (slice(line, 0, kSealPrefix.size()) != kSealPrefix)
        return seal;
    seal.present = true;
    seal.bodySize = start;
    char copy[64];
    if (line.size() >= sizeof copy)
        return seal;
    std::memcpy(copy, line.data(), line.size());
    copy[line.size()] = '\0';
    unsigned long entries = 0;
    unsigned int checksum = 0;
    int consumed = 0;
    if (std::sscanf(copy, "#seal %lu %8x%n", &entries, &checksum, &consumed) != 2)
        return seal;
    if (static_cast<std::size_t>(consumed) != line.size())
        return seal;
    seal.valid = true;
    seal.entries = entries;
    seal.checksum = checksum;
    return seal;
}

} // namespace

std::uint32_t crc32(std::string_view bytes)
{
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char byte : bytes)
        c = kCrcTable[(c ^ byte) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool formatStore(const EntryTable &table, ByteBuffer &out)
{
    const std::size_t bodyStart = out.size();
    for (const Entry &entry : table) {
        appendEscaped(entry.key, true, out);
        out.append('=');
        appendEscaped(entry.value, false, out);
        out.append('\n');
    }
    if (out.failed())
        return false;
    char seal[64];
    int length = std::snprintf(seal, sizeof seal, "#seal %zu %08x\n", table.size(),
                               static_cast<unsigned>(crc32(slice(out.view(), bodyStart))));
    return out.append(std::string_view(seal, static_cast<std::size_t>(length)));
}

ParseResult parseStore(std::string_view text, SealRule rule, EntryTable &out)
{
    const Seal seal = findSeal(text);
    if (!seal.present && rule == SealRule::Required)
        return {"no seal line", 0};
    if (seal.present && !seal.valid)
        return {"malformed seal line", 0};
    std::string_view body = slice(text, 0, seal.bodySize);
    if (seal.present && crc32(body) != seal.checksum)
        return {"checksum mismatch", 0};

    ParseResult result{nullptr, 0};
    std::size_t lineNumber = 0;
    std::size_t entries = 0;
    while (!body.empty()) {
        ++lineNumber;
        std::size_t end = body.find('\n');
        std::string_view line = slice(body, 0, end);
        body.remove_prefix(end == std::string_view::npos ? body.size() : end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (parseLine(line, out)) {
            ++entries;
            continue;
        }
        if (seal.present) {
            out.freeBlocks();
            return {"malformed line", lineNumber};
        }
        if (result.badLine == 0)
            result.badLine = lineNumber;
    }
    if (seal.present && entries != seal.entries) {
        out.freeBlocks();
        return {"entry count mismatch", 0};
    }
    return result;
}

} // namespace qavo::nvram
