#include "lib/run_lock.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lib/system.h"

namespace qavo {
namespace {

const char *lockDirectory = "/var/run";

long millisecondsSince(const timespec &start)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - start.tv_sec) * 1000L + (now.tv_nsec - start.tv_nsec) / 1000000L;
}

// True when fd is still the file at path (it was neither removed nor replaced).
bool stillAtPath(int fd, const char *path)
{
    struct stat held, current;
    return fstat(fd, &held) == 0 && stat(path, &current) == 0 && held.st_dev == current.st_dev &&
           held.st_ino == current.st_ino;
}

} // namespace

void RunLock::setDirectoryForTests(const char *directory)
{
    lockDirectory = directory ? directory : "/var/run";
}

RunLock::RunLock(const char *name, const char *what, int waitMilliseconds)
{
    int length = snprintf(path_, sizeof path_, "%s/%s.lock", lockDirectory, name);
    acquire(length < static_cast<int>(sizeof path_), what, waitMilliseconds);
}

RunLock::RunLock(Beside file, const char *what, int waitMilliseconds)
{
    // Beside the file where the programs see it, so under the test root too.
    char rooted[sizeof path_];
    bool named = sys::rootedPath(file.path, rooted, sizeof rooted);
    int length = named ? snprintf(path_, sizeof path_, "%s.lock", rooted) : -1;
    acquire(length >= 0 && length < static_cast<int>(sizeof path_), what, waitMilliseconds);
}

void RunLock::acquire(bool named, const char *what, int waitMilliseconds)
{
    if (!named) {
        fprintf(stderr, "Warning: %s: lock name too long; running unlocked.\n", what);
        return;
    }
    const char *path = path_;
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    long pauseMs = 1;
    for (;;) {
        if (fd_ < 0) {
            fd_ = open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd_ < 0) {
                fprintf(stderr, "Warning: %s: %s: %s; running unlocked.\n", what, path, strerror(errno));
                return;
            }
        }
        if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            if (stillAtPath(fd_, path))
                break;
            close(fd_); // an orphaned file: lock the one at the path now
            fd_ = -1;
            continue;
        }
        waited_ = millisecondsSince(start);
        if (errno != EWOULDBLOCK && errno != EINTR) {
            fprintf(stderr, "Warning: %s: %s: %s; running unlocked.\n", what, path, strerror(errno));
            close(fd_);
            fd_ = -1;
            return;
        }
        if (waited_ >= waitMilliseconds) {
            fprintf(stderr, "Error: %s: another process still holds its lock; gave up after %ld ms.\n", what, waited_);
            close(fd_);
            fd_ = -1;
            gaveUp_ = true;
            return;
        }
        // Short pauses first (most runs are quick), then at most 20 ms, never past the bound.
        long pause = pauseMs < waitMilliseconds - waited_ ? pauseMs : waitMilliseconds - waited_;
        timespec delay{pause / 1000, (pause % 1000) * 1000000L};
        nanosleep(&delay, nullptr);
        pauseMs = pauseMs * 2 > 20 ? 20 : pauseMs * 2;
    }
    waited_ = millisecondsSince(start);
}

RunLock::~RunLock()
{
    if (fd_ < 0)
        return;
    // Removed while still held: a run waiting on this file finds it gone from the path
    // once it gets the lock, and takes the file now at the path instead.
    unlink(path_);
    close(fd_); // closing the last descriptor releases the lock
}

} // namespace qavo
