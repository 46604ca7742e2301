#include "lib/proc_tables.h"

#include <arpa/inet.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace qavo::proc {
namespace {

constexpr int kTableLine = 256; // /proc/net/dev, /proc/net/arp, /proc/net/route
constexpr int kShortLine = 80;  // resolver files and /proc/mtd

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The next blank-separated word of text, consumed from its front; empty at the end.
std::string_view nextWord(std::string_view &text)
{
    size_t start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    size_t end = start;
    while (end < text.size() && !isBlank(text[end]))
        ++end;
    std::string_view word(text.data() + start, end - start);
    text.remove_prefix(end);
    return word;
}

// Copies word with its terminator when it fits; false (out untouched) otherwise.
bool copyWord(std::string_view word, char *out, size_t outSize)
{
    if (word.size() >= outSize)
        return false;
    memcpy(out, word.data(), word.size());
    out[word.size()] = '\0';
    return true;
}

// Reads a number in base from the front of *p; false when no digit is there.
bool takeNumber(const char *&p, int base, unsigned long &value)
{
    char *end;
    value = strtoul(p, &end, base);
    if (end == p)
        return false;
    p = end;
    return true;
}

bool skipLine(FILE *stream, int lineSize)
{
    char line[kTableLine];
    return fgets(line, lineSize, stream) != nullptr;
}

} // namespace

bool deviceListed(FILE *table, std::string_view name)
{
    if (!skipLine(table, kTableLine) || !skipLine(table, kTableLine))
        return false;
    char line[kTableLine];
    while (fgets(line, sizeof line, table)) {
        const char *word = line;
        while (isBlank(*word))
            ++word;
        const char *colon = strchr(word, ':');
        if (colon && std::string_view(word, static_cast<size_t>(colon - word)) == name)
            return true;
    }
    return false;
}

bool arpAnswer(FILE *table, std::string_view key, ArpKey by, char *out, size_t outSize)
{
    char line[kTableLine];
    while (fgets(line, sizeof line, table)) {
        std::string_view rest(line);
        std::string_view words[4];
        for (auto &word : words)
            word = nextWord(rest);
        if (words[3].empty())
            continue;
        bool byIp = by == ArpKey::IpAddress;
        if ((byIp ? words[0] : words[3]) == key)
            return copyWord(byIp ? words[3] : words[0], out, outSize);
    }
    return false;
}

int defaultGateway(FILE *table, char *out, size_t outSize)
{
    if (outSize < INET_ADDRSTRLEN)
        return 0;
    if (!skipLine(table, kTableLine)) {
        out[0] = '\0'; // not even the header: no table to read, as when it does not open
        return 0;
    }
    bool defaultFound = false;
    char line[kTableLine];
    while (!defaultFound && fgets(line, sizeof line, table)) {
        const char *p = line + strcspn(line, " \t");
        unsigned long destination, gateway, flags, references, use, metric, mask;
        if (!takeNumber(p, 16, destination) || !takeNumber(p, 16, gateway) || !takeNumber(p, 16, flags) ||
            !takeNumber(p, 10, references) || !takeNumber(p, 10, use) || !takeNumber(p, 10, metric) ||
            !takeNumber(p, 16, mask))
            return 0;
        constexpr unsigned long kRouteUp = 1;
        if (!(flags & kRouteUp))
            continue;
        // The table prints the address as the kernel holds it, in network byte order.
        in_addr address;
        address.s_addr = static_cast<uint32_t>(gateway);
        if (static_cast<uint32_t>(gateway) == 0)
            out[0] = '\0';
        else
            inet_ntop(AF_INET, &address, out, static_cast<socklen_t>(outSize));
        defaultFound = static_cast<uint32_t>(destination) == 0;
    }
    if (!defaultFound)
        out[0] = '\0';
    return 1;
}

bool nthNameserver(FILE *resolver, int n, char *out, size_t outSize)
{
    int found = 0;
    char line[kShortLine];
    while (n > 0 && fgets(line, sizeof line, resolver)) {
        if (strncmp(line, "nameserver", 10) != 0)
            continue;
        std::string_view rest(line);
        nextWord(rest);
        std::string_view server = nextWord(rest);
        if (server.empty() || ++found < n)
            continue;
        if (copyWord(server, out, outSize))
            return true;
        break;
    }
    if (outSize > 0)
        out[0] = '\0';
    return false;
}

int factoryPartition(FILE *table)
{
    char line[kShortLine];
    while (fgets(line, sizeof line, table)) {
        // The rest of a line longer than the buffer is skipped: it never starts a line.
        if (!strchr(line, '\n')) {
            int c;
            while ((c = fgetc(table)) != EOF && c != '\n') {
            }
        }
        if (strncmp(line, "mtd", 3) != 0 || line[3] < '0' || line[3] > '9')
            continue;
        const char *p = line + 3;
        unsigned long number;
        if (takeNumber(p, 10, number) && *p == ':' && number <= 0x7fffffff && strstr(line, "Factory"))
            return static_cast<int>(number);
    }
    return -1;
}

int flashSizeMiB(std::string_view dump)
{
    size_t at = dump.find("mtd0:");
    // "mtd0: " is followed by the eight hex digits of the size; the first three are MiB.
    constexpr size_t kDigitsOffset = 6;
    if (at == std::string_view::npos || at + kDigitsOffset >= dump.size())
        return 0;
    size_t available = dump.size() - (at + kDigitsOffset);
    std::string_view digits(dump.data() + at + kDigitsOffset, available < 3 ? available : 3);
    char text[4] = "";
    memcpy(text, digits.data(), digits.size());
    text[digits.size()] = '\0';
    long mib = strtol(text, nullptr, 16);
    return mib > 0 ? static_cast<int>(mib) : 0;
}

} // namespace qavo::proc
