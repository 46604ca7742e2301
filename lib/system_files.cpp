// The file half of the system seam (lib/system.h): the test root every path goes under.
#include "lib/system.h"

#include <cerrno>
#include <fcntl.h>

namespace qavo::sys {
namespace {

const char *testRoot = nullptr;

} // namespace

void setRootForTests(const char *root)
{
    testRoot = root;
}

bool rootedPath(const char *path, char *out, size_t size)
{
    int length =
        testRoot && path[0] == '/' ? snprintf(out, size, "%s%s", testRoot, path) : snprintf(out, size, "%s", path);
    if (length < 0 || static_cast<size_t>(length) >= size) {
        if (size > 0)
            out[0] = '\0';
        return false;
    }
    return true;
}

FILE *openFile(const char *path, const char *mode)
{
    char rooted[512];
    if (!rootedPath(path, rooted, sizeof rooted)) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    return fopen(rooted, mode);
}

int openDescriptor(const char *path, int flags, mode_t mode)
{
    char rooted[512];
    if (!rootedPath(path, rooted, sizeof rooted)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    return ::open(rooted, flags, mode);
}

} // namespace qavo::sys
