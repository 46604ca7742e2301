#include "lib/temporary_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include "lib/holders.h"

namespace qavo::temporary {
namespace {

constexpr size_t kPathSize = 512;
// A cleaner takes a new file between its creation and its lock only by a rare chance.
constexpr int kCreateAttempts = 8;

// Writes the directory of path into directory ("." when it has none) and returns the
// name after it; nullptr when the path does not fit.
const char *split(const char *path, char (&directory)[kPathSize])
{
    const char *slash = strrchr(path, '/');
    if (!slash) {
        snprintf(directory, sizeof directory, ".");
        return path;
    }
    size_t length = slash == path ? 1 : static_cast<size_t>(slash - path);
    if (length >= sizeof directory)
        return nullptr;
    memcpy(directory, path, length);
    directory[length] = '\0';
    return slash + 1;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

bool holdInUse(int fd)
{
    int locked;
    while ((locked = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    return locked == 0;
}

int createHeld(const char *path, char *name, size_t size)
{
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        if (snprintf(name, size, "%s%sXXXXXX", path, kInfix) >= static_cast<int>(size)) {
            errno = ENAMETOOLONG;
            return -1;
        }
        Descriptor fd(mkostemp(name, O_CLOEXEC));
        if (!fd)
            return -1;
        if (!holdInUse(fd.get())) {
            int saved = errno;
            unlink(name);
            errno = saved;
            return -1;
        }
        // A cleaner that found the file before it was held has removed it: make another.
        struct stat held, named;
        if (fstat(fd.get(), &held) == 0 && lstat(name, &named) == 0 && sameFile(held, named))
            return fd.release();
    }
    errno = EEXIST;
    return -1;
}

void removeStaleTemporaries(const char *path)
{
    char directory[kPathSize];
    const char *name = split(path, directory);
    char prefix[kPathSize];
    int prefixLength = name ? snprintf(prefix, sizeof prefix, "%s%s", name, kInfix) : -1;
    if (prefixLength <= 0 || static_cast<size_t>(prefixLength) >= sizeof prefix)
        return;
    Directory listing(opendir(directory));
    if (!listing)
        return;
    int directoryFd = dirfd(listing.get());
    while (const dirent *entry = readdir(listing.get())) {
        if (strncmp(entry->d_name, prefix, static_cast<size_t>(prefixLength)) != 0)
            continue;
        // Opened without following a link or blocking on a FIFO; a lock that cannot be
        // taken belongs to a live writer. The name must still be the file locked.
        Descriptor fd(openat(directoryFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat held, named;
        if (fd && fstat(fd.get(), &held) == 0 && S_ISREG(held.st_mode) && flock(fd.get(), LOCK_EX | LOCK_NB) == 0 &&
            fstatat(directoryFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(held, named))
            unlinkat(directoryFd, entry->d_name, 0);
    }
}

bool syncParentDirectory(const char *path)
{
    char directory[kPathSize];
    if (!split(path, directory)) {
        errno = ENAMETOOLONG;
        return false;
    }
    Descriptor fd(open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd && fsync(fd.get()) == 0;
}

} // namespace qavo::temporary
