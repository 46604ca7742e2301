#include "lib/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lib/system.h"
#include "lib/temporary_files.h"

namespace qavo {
namespace {

// Follows symbolic links from path (at most 8) so the file they point to is the one replaced.
bool resolveLinks(const char *path, char *out, size_t size)
{
    if (snprintf(out, size, "%s", path) >= static_cast<int>(size))
        return false;
    for (int hop = 0; hop < 8; ++hop) {
        char link[256];
        ssize_t n = readlink(out, link, sizeof link - 1);
        if (n < 0)
            return true; // not a link (or not there yet): this is the file
        link[n] = '\0';
        if (link[0] == '/') {
            if (snprintf(out, size, "%s", link) >= static_cast<int>(size))
                return false;
            continue;
        }
        const char *slash = strrchr(out, '/');
        size_t dirLength = slash ? static_cast<size_t>(slash - out) + 1 : 0;
        char joined[256];
        if (snprintf(joined, sizeof joined, "%.*s%s", static_cast<int>(dirLength), out, link) >=
            static_cast<int>(sizeof joined))
            return false;
        memcpy(out, joined, strlen(joined) + 1);
    }
    errno = ELOOP;
    return false;
}

// An unnamed file in the directory of target (O_TMPFILE): a process killed before the
// commit leaves nothing behind. -1 where the file system, the kernel or the C library
// (uClibc-ng 1.0.35 has no O_TMPFILE) has no such files: the caller then takes a named one.
int openUnnamed(const char *target, unsigned mode)
{
#ifndef O_TMPFILE
    (void)target;
    (void)mode;
    errno = EOPNOTSUPP;
    return -1;
#else
    char directory[256];
    const char *slash = strrchr(target, '/');
    if (!slash)
        snprintf(directory, sizeof directory, ".");
    else if (snprintf(directory, sizeof directory, "%.*s", static_cast<int>(slash - target), target) >=
             static_cast<int>(sizeof directory))
        return -1;
    if (directory[0] == '\0')
        snprintf(directory, sizeof directory, "/");
    return ::open(directory, O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
#endif
}

// Gives the unnamed file of fd a fresh name next to target (written into name), without
// following or replacing anything already there. False when it cannot be linked.
bool linkUnnamed(int fd, const char *target, char *name, size_t size)
{
    static unsigned counter;
    char fdPath[32];
    snprintf(fdPath, sizeof fdPath, "/proc/self/fd/%d", fd);
    for (int attempt = 0; attempt < 8; ++attempt) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (snprintf(name, size, "%s%s%ld.%u.%ld", target, temporary::kInfix, static_cast<long>(getpid()), ++counter,
                     static_cast<long>(now.tv_nsec)) >= static_cast<int>(size))
            return false;
        // Without the capability AT_EMPTY_PATH needs, the descriptor's /proc link serves.
        if (linkat(fd, "", AT_FDCWD, name, AT_EMPTY_PATH) == 0 ||
            linkat(AT_FDCWD, fdPath, AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

} // namespace

bool AtomicFile::exists(const char *path)
{
    char rooted[256];
    return sys::rootedPath(path, rooted, sizeof rooted) && access(rooted, F_OK) == 0;
}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::open(const char *path, unsigned mode)
{
    discard();
    failed_ = false;
    char rooted[256];
    if (!sys::rootedPath(path, rooted, sizeof rooted)) {
        fprintf(stderr, "%s: path too long\n", path);
        return false;
    }
    if (!resolveLinks(rooted, target_, sizeof target_)) {
        fprintf(stderr, "%s: %s\n", rooted, errno ? strerror(errno) : "path too long");
        return false;
    }
    temporary::removeStaleTemporaries(target_);
    // Held in use from here to the rename (the unnamed file before it has a name), so the
    // next writer removes it only if this one dies first.
    int fd = openUnnamed(target_, mode);
    unnamed_ = fd >= 0 && temporary::holdInUse(fd);
    if (!unnamed_) {
        if (fd >= 0)
            close(fd);
        // Named temporary: created exclusively (never through a link), removed on discard.
        fd = temporary::createHeld(target_, temporary_, sizeof temporary_);
    }
    if (fd < 0) {
        perror(temporary_[0] ? temporary_ : target_);
        temporary_[0] = '\0';
        return false;
    }
    fchmod(fd, mode);
    stream_ = fdopen(fd, "w");
    if (!stream_) {
        perror(target_);
        close(fd);
        discard();
        return false;
    }
    return true;
}

bool AtomicFile::writeText(const char *text, size_t length)
{
    if (!stream_ || failed_)
        return false;
    if (fwrite(text, 1, length, stream_) != length) {
        perror(temporary_);
        failed_ = true;
    }
    return !failed_;
}

bool AtomicFile::commit()
{
    if (!stream_)
        return false;
    bool ok = !failed_ && fflush(stream_) == 0 && fsync(fileno(stream_)) == 0;
    if (ok && unnamed_)
        ok = linkUnnamed(fileno(stream_), target_, temporary_, sizeof temporary_);
    // Renamed while still open, so held in use to the end; then the rename made durable.
    if (ok && rename(temporary_, target_) == 0)
        temporary_[0] = '\0';
    else
        ok = false;
    ok = ok && temporary::syncParentDirectory(target_);
    if (!ok)
        perror(target_);
    discard(); // the data was flushed and synced: closing loses nothing
    return ok;
}

void AtomicFile::discard()
{
    if (stream_) {
        fclose(stream_);
        stream_ = nullptr;
    }
    if (temporary_[0]) {
        unlink(temporary_);
        temporary_[0] = '\0';
    }
}

} // namespace qavo
