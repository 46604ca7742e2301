// Temporary files that replace a file by rename, for every writer that works that way (the
// store and the generated files): their names, the lock that marks one in use, the removal
// of those a killed writer left behind, and the directory sync that makes a rename durable.
//
// A temporary of "<dir>/<name>" is "<dir>/<name>.tmp.<unique part>". Its writer holds an
// exclusive flock on it from its creation to the rename, so a temporary that nobody holds
// was left by a writer that died before its rename: removeStaleTemporaries takes those
// away, and never a live writer's.
#ifndef QAVO_LIB_TEMPORARY_FILES_H
#define QAVO_LIB_TEMPORARY_FILES_H

#include <cstddef>

namespace qavo::temporary {

// What separates a file's name from the unique part of its temporaries' names.
constexpr char kInfix[] = ".tmp.";

// Creates "<path>.tmp.XXXXXX" exclusively (never through a link) with mode 0600, holds it
// in use and writes its name into name. The descriptor, or -1 (errno set) when it cannot.
int createHeld(const char *path, char *name, size_t size);

// Marks fd, a writer's temporary file, as in use until the descriptor is closed. False
// (errno set) when the lock cannot be taken.
bool holdInUse(int fd);

// Removes the temporaries of path that no writer holds. Only regular files are removed;
// a link or anything else of such a name is left as it is.
void removeStaleTemporaries(const char *path);

// fsync of the directory that holds path, so a rename in it survives a power cut. False
// (errno set) when the directory cannot be opened or synced.
bool syncParentDirectory(const char *path);

} // namespace qavo::temporary

#endif
