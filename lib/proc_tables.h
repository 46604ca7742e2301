// Readers for the kernel's text tables (/proc/net/dev, /proc/net/arp, /proc/net/route,
// /proc/mtd) and the resolver files. Each takes an open stream so that it can be tested
// and fuzzed on any text; answers go into sized buffers and are never cut: an answer
// that does not fit is treated as no answer.
#ifndef QAVO_LIB_PROC_TABLES_H
#define QAVO_LIB_PROC_TABLES_H

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace qavo::proc {

// /proc/net/dev: true when a line after the two header lines names the device (the
// whole word before the first ':', leading blanks skipped).
bool deviceListed(FILE *table, std::string_view name);

// /proc/net/arp: which word of a line is looked up and which one is the answer.
enum class ArpKey : unsigned char { IpAddress, HardwareAddress };

// The other address of the first line whose IP address (first word) or hardware address
// (fourth word) equals key exactly. False when no line matches.
bool arpAnswer(FILE *table, std::string_view key, ArpKey by, char *out, size_t outSize);

// /proc/net/route: the gateway of the first up default route as a dotted quad, "" when it
// has none or there is no up default route. 1, or 0 when a line after the header does
// not parse (out then holds no defined value), or 0 with "" when not even the header
// can be read.
int defaultGateway(FILE *table, char *out, size_t outSize);

// Resolver file: the second word of the n-th line (from 1) that begins with
// "nameserver". False, with out set to "", when there are fewer such lines.
bool nthNameserver(FILE *resolver, int n, char *out, size_t outSize);

// /proc/mtd: the number N of the first line that begins "mtd<N>:" and names "Factory";
// -1 when none does.
int factoryPartition(FILE *table);

// A dump of /proc/mtd: the size of partition 0 in MiB (the first three of the eight hex
// digits of its size field); 0 when there is no "mtd0:" line.
int flashSizeMiB(std::string_view dump);

} // namespace qavo::proc

#endif
