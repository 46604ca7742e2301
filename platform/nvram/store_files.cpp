#include "platform/nvram/store_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "lib/temporary_files.h"

namespace qavo::nvram {
namespace {

constexpr const char *kLockDirectory = "/var/nvram/";
constexpr int kLockAttempts = 16;

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

bool storePath(const char *fixed, char (&out)[kPathSize])
{
    const char *root = std::getenv("NVRAM_ROOT");
    if (root == nullptr)
        root = "";
    int length = std::snprintf(out, sizeof out, "%s%s", root, fixed);
    return length > 0 && static_cast<std::size_t>(length) < sizeof out;
}

bool makeParentDirectories(const char *path)
{
    char partial[kPathSize];
    if (std::snprintf(partial, sizeof partial, "%s", path) >= static_cast<int>(sizeof partial)) {
        errno = ENAMETOOLONG;
        return false;
    }
    for (char *slash = std::strchr(partial + 1, '/'); slash != nullptr; slash = std::strchr(slash + 1, '/')) {
        *slash = '\0';
        if (mkdir(partial, 0755) != 0 && errno != EEXIST)
            return false;
        *slash = '/';
    }
    return true;
}

ReadStatus readWholeFile(const char *path, ByteBuffer &out)
{
    // No blocking open of a FIFO, no link followed to a file elsewhere.
    Descriptor fd(open(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT)
            return ReadStatus::Missing;
        return errno == ELOOP ? ReadStatus::NotRegular : ReadStatus::Failed;
    }
    struct stat info;
    if (fstat(fd.get(), &info) != 0)
        return ReadStatus::Failed;
    if (!S_ISREG(info.st_mode))
        return ReadStatus::NotRegular;
    std::size_t expected = static_cast<std::size_t>(info.st_size);
    for (;;) {
        if (out.size() > kMaxFileSize || expected > kMaxFileSize) {
            errno = EFBIG;
            return ReadStatus::Failed;
        }
        // One byte more than the size seen, so the end of file shows at once.
        std::size_t chunk = expected >= out.size() ? expected - out.size() + 1 : 4096;
        if (!out.reserve(chunk)) {
            errno = ENOMEM;
            return ReadStatus::Failed;
        }
        ssize_t got = read(fd.get(), out.tail(), chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return ReadStatus::Failed;
        }
        if (got == 0)
            return ReadStatus::Ok;
        out.growBy(static_cast<std::size_t>(got));
    }
}

bool replaceFile(const char *path, std::string_view bytes, mode_t mode)
{
    if (!makeParentDirectories(path))
        return false;
    temporary::removeStaleTemporaries(path);
    char name[kPathSize];
    Descriptor fd(temporary::createHeld(path, name, sizeof name));
    if (!fd)
        return false;
    // Held until after the rename, so no other writer takes it for a killed writer's.
    if (fchmod(fd.get(), mode) != 0 || !writeAll(fd.get(), bytes) || fsync(fd.get()) != 0 || rename(name, path) != 0) {
        int saved = errno;
        unlink(name);
        errno = saved;
        return false;
    }
    temporary::syncParentDirectory(path);
    return true;
}

StoreLock::StoreLock()
{
    char path[kPathSize];
    if (!storePath(kLockDirectory, path)) {
        std::fprintf(stderr, "nvram: lock path too long\n");
        return;
    }
    if (!makeParentDirectories(path)) {
        std::fprintf(stderr, "nvram: %s: %s\n", path, std::strerror(errno));
        return;
    }
    // Lock the directory, then make sure it is still the one at the path: a
    // directory removed or replaced between the open and the lock is dropped.
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        Descriptor fd(open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd) {
            if (errno == ENOENT && makeParentDirectories(path))
                continue;
            break;
        }
        int locked;
        while ((locked = flock(fd.get(), LOCK_EX)) != 0 && errno == EINTR) {
        }
        struct stat held;
        struct stat current;
        if (locked == 0 && fstat(fd.get(), &held) == 0 && stat(path, &current) == 0 && sameFile(held, current)) {
            fd_ = std::move(fd);
            return;
        }
        int saved = errno;
        fd.reset();
        errno = saved;
        if (locked != 0)
            break;
    }
    std::fprintf(stderr, "nvram: %s: cannot lock: %s\n", path, std::strerror(errno));
}

} // namespace qavo::nvram
