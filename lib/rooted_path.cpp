#include "lib/rooted_path.h"

#include <cerrno>

#include "lib/atomic_file.h"

namespace qavo {

bool rootedPath(const char *path, char *out, size_t size)
{
    const char *root = AtomicFile::rootForTests();
    int length = root && path[0] == '/' ? snprintf(out, size, "%s%s", root, path) : snprintf(out, size, "%s", path);
    if (length < 0 || static_cast<size_t>(length) >= size) {
        if (size > 0)
            out[0] = '\0';
        return false;
    }
    return true;
}

FILE *openRooted(const char *path, const char *mode)
{
    char rooted[512];
    if (!rootedPath(path, rooted, sizeof rooted)) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    return fopen(rooted, mode);
}

} // namespace qavo
