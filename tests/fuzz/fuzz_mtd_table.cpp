// The factory-partition search of the WAN bring-up on arbitrary "/proc/mtd" text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "networkconfig/mtd_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    if (text.empty())
        return 0;
    FILE *table = fmemopen(text.data(), text.size(), "r");
    if (!table)
        return 0;
    int number = networkconfig::findFactoryPartition(table);
    fclose(table);
    if (number < -1 || number > 999)
        __builtin_trap();
    std::string line = text.substr(0, text.find('\n'));
    int fromLine = networkconfig::factoryPartitionOfLine(line.c_str());
    if (fromLine < -1 || fromLine > 999)
        __builtin_trap();
    return 0;
}
