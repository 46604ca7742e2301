#include "networkconfig/mtd_table.h"

#include <cstring>

namespace networkconfig {
namespace {

constexpr size_t kLineSize = 80;
constexpr int kMaxDigits = 3;

} // namespace

int factoryPartitionOfLine(const char *line)
{
    if (strncmp(line, "mtd", 3) != 0)
        return -1;
    int number = 0;
    int digits = 0;
    const char *p = line + 3;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (++digits > kMaxDigits)
            return -1;
        number = number * 10 + (*p - '0');
    }
    if (digits == 0 || *p != ':' || strstr(line, "Factory") == nullptr)
        return -1;
    return number;
}

int findFactoryPartition(FILE *table)
{
    char line[kLineSize];
    while (fgets(line, sizeof line, table)) {
        if (strchr(line, '\n') == nullptr) {
            int c;
            while ((c = fgetc(table)) != EOF && c != '\n') {
            }
        }
        int number = factoryPartitionOfLine(line);
        if (number >= 0)
            return number;
    }
    return -1;
}

} // namespace networkconfig
