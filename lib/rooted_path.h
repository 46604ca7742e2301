// Files the tools read from the kernel and the state trees (/proc, /dev, /tmp, a mount
// point) follow the same test root as generated files (AtomicFile::setRootForTests), so
// a unit test gives a tool a private /proc/partitions, /proc/mounts or /dev/lp0.
#ifndef QAVO_LIB_ROOTED_PATH_H
#define QAVO_LIB_ROOTED_PATH_H

#include <cstddef>
#include <cstdio>

namespace qavo {

// The absolute path under the test root, or the path itself when no root is set.
// False (out "") when the result would not fit size bytes.
bool rootedPath(const char *path, char *out, size_t size);

// fopen of the rooted path; nullptr when it cannot be opened or the path is too long.
FILE *openRooted(const char *path, const char *mode);

} // namespace qavo

#endif
