// Small values that programs leave for each other in "/tmp/<name>".
#include "qavo/files.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/file_reading.h"
#include "lib/system.h"

namespace {

// True when a component of name is "..", which would lead out of /tmp.
bool climbsOut(const char *name)
{
    for (const char *part = name; *part;) {
        size_t length = strcspn(part, "/");
        if (length == 2 && part[0] == '.' && part[1] == '.')
            return true;
        part += length;
        part += *part == '/';
    }
    return false;
}

// Opens "/tmp/<name>" for reading; reports and gives nullptr when it cannot. Names with a
// ".." component are refused: they would read files outside /tmp.
FILE *openTmpValue(const char *name)
{
    char path[64];
    int length = name && !climbsOut(name) ? snprintf(path, sizeof path, "/tmp/%s", name) : -1;
    FILE *file = length > 0 && static_cast<size_t>(length) < sizeof path ? qavo::sys::openFile(path, "re") : nullptr;
    if (!file)
        fputs("Read tmp file error!\n", stderr);
    return file;
}

} // namespace

extern "C" int getValFromTmp(const char *name)
{
    FILE *file = openTmpValue(name);
    if (!file)
        return 0;
    char line[64] = "";
    if (!fgets(line, sizeof line, file))
        line[0] = '\0';
    fclose(file);
    long value = strtol(line, nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

extern "C" int getStrFromTmpSized(const char *name, char *out, size_t outSize)
{
    if (!out || outSize == 0)
        return -1;
    FILE *file = openTmpValue(name);
    if (!file)
        return -1;
    // The whole file goes in, then its last byte (the line end) becomes the terminator.
    qavo::files::ReadResult read = qavo::files::readBytes(file, out, outSize, EOF);
    fclose(file);
    if (!read.complete) {
        out[0] = '\0';
        return -1;
    }
    size_t length = read.stored > 0 ? read.stored - 1 : 0;
    out[length] = '\0';
    return static_cast<int>(length);
}

extern "C" void getStrFromTmp(const char *name, char *out)
{
    getStrFromTmpSized(name, out, SIZE_MAX);
}
