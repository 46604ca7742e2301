#include "platform/nvram/store_format.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace nvram {
namespace {

constexpr std::string_view kSealPrefix = "#seal ";

// Part of a text without the range check of substr (which would pull the
// C++ runtime into the library); positions are always within the text here.
std::string_view slice(std::string_view text, std::size_t from,
                       std::size_t count = std::string_view::npos) {
  std::size_t rest = text.size() - from;
  return std::string_view(text.data() + from, count < rest ? count : rest);
}

constexpr std::array<std::uint32_t, 256> make_crc_table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = make_crc_table();

bool append_escaped(std::string_view text, bool is_key, ByteBuffer &out) {
  std::size_t plain_from = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char *escape = nullptr;
    if (c == '\\') escape = "\\\\";
    else if (c == '\n') escape = "\\n";
    else if (c == '\r') escape = "\\r";
    else if (is_key && c == '=') escape = "\\=";
    else if (is_key && c == '#' && i == 0) escape = "\\#";
    if (escape == nullptr) continue;
    out.append(slice(text, plain_from, i - plain_from));
    out.append(std::string_view(escape, 2));
    plain_from = i + 1;
  }
  return out.append(slice(text, plain_from));
}

// Undoes append_escaped from `text` into `to`; returns the length written, or
// -1 for an unknown escape. `to` needs room for text.size() bytes.
long unescape(std::string_view text, char *to) {
  std::size_t written = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\') {
      if (++i == text.size()) return -1;
      switch (text[i]) {
        case '\\': c = '\\'; break;
        case 'n': c = '\n'; break;
        case 'r': c = '\r'; break;
        case '=': c = '='; break;
        case '#': c = '#'; break;
        default: return -1;
      }
    }
    to[written++] = c;
  }
  return static_cast<long>(written);
}

// Position of the first "=" that is not escaped, or npos.
std::size_t find_separator(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\') ++i;
    else if (line[i] == '=') return i;
  }
  return std::string_view::npos;
}

// Adds one "key=value" line; false when it is malformed or memory runs out.
bool parse_line(std::string_view line, EntryTable &out) {
  std::size_t separator = find_separator(line);
  if (separator == std::string_view::npos || separator == 0) return false;
  std::string_view raw_key = slice(line, 0, separator);
  std::string_view raw_value = slice(line, separator + 1);
  // The unescaped texts are never longer than the escaped ones.
  Entry entry = make_entry(raw_key, raw_value);
  if (entry.key == nullptr) return false;
  char *block = const_cast<char *>(entry.key);
  long key_length = unescape(raw_key, block);
  if (key_length <= 0) {
    std::free(block);
    return false;
  }
  block[key_length] = '\0';
  char *value = block + key_length + 1;
  long value_length = unescape(raw_value, value);
  if (value_length < 0) {
    std::free(block);
    return false;
  }
  value[value_length] = '\0';
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
  std::size_t body_size;
  unsigned long entries;
  std::uint32_t checksum;
};

// Looks at the last line of the text for a seal line.
Seal find_seal(std::string_view text) {
  Seal seal{false, false, text.size(), 0, 0};
  if (text.empty() || text.back() != '\n') return seal;
  std::size_t start = text.rfind('\n', text.size() - 2);
  start = (start == std::string_view::npos) ? 0 : start + 1;
  std::string_view line = slice(text, start, text.size() - 1 - start);
  if (slice(line, 0, kSealPrefix.size()) != kSealPrefix) return seal;
  seal.present = true;
  seal.body_size = start;
  char copy[64];
  if (line.size() >= sizeof copy) return seal;
  std::memcpy(copy, line.data(), line.size());
  copy[line.size()] = '\0';
  unsigned long entries = 0;
  unsigned int checksum = 0;
  int consumed = 0;
  if (std::sscanf(copy, "#seal %lu %8x%n", &entries, &checksum, &consumed) != 2) return seal;
  if (static_cast<std::size_t>(consumed) != line.size()) return seal;
  seal.valid = true;
  seal.entries = entries;
  seal.checksum = checksum;
  return seal;
}

}  // namespace

std::uint32_t crc32(std::string_view bytes) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) c = kCrcTable[(c ^ byte) & 0xFFu] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

bool format_store(const EntryTable &table, ByteBuffer &out) {
  const std::size_t body_start = out.size();
  for (const Entry &entry : table) {
    append_escaped(entry.key, true, out);
    out.append('=');
    append_escaped(entry.value, false, out);
    out.append('\n');
  }
  if (out.failed()) return false;
  char seal[64];
  int length = std::snprintf(seal, sizeof seal, "#seal %zu %08x\n", table.size(),
                             static_cast<unsigned>(crc32(slice(out.view(), body_start))));
  return out.append(std::string_view(seal, static_cast<std::size_t>(length)));
}

ParseResult parse_store(std::string_view text, SealRule rule, EntryTable &out) {
  const Seal seal = find_seal(text);
  if (!seal.present && rule == SealRule::required) return {"no seal line", 0};
  if (seal.present && !seal.valid) return {"malformed seal line", 0};
  std::string_view body = slice(text, 0, seal.body_size);
  if (seal.present && crc32(body) != seal.checksum) return {"checksum mismatch", 0};

  ParseResult result{nullptr, 0};
  std::size_t line_number = 0;
  std::size_t entries = 0;
  while (!body.empty()) {
    ++line_number;
    std::size_t end = body.find('\n');
    std::string_view line = slice(body, 0, end);
    body.remove_prefix(end == std::string_view::npos ? body.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (parse_line(line, out)) {
      ++entries;
      continue;
    }
    if (seal.present) {
      out.free_blocks();
      return {"malformed line", line_number};
    }
    if (result.bad_line == 0) result.bad_line = line_number;
  }
  if (seal.present && entries != seal.entries) {
    out.free_blocks();
    return {"entry count mismatch", 0};
  }
  return result;
}

}  // namespace nvram
