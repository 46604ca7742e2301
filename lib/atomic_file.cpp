#include "lib/atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lib/rooted_path.h"

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

const char *testRoot = nullptr;

} // namespace

void AtomicFile::setRootForTests(const char *root) { testRoot = root; }

const char *AtomicFile::rootForTests() { return testRoot; }

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::open(const char *path, unsigned mode)
{
    discard();
    failed_ = false;
    char rooted[256];
    if (!rootedPath(path, rooted, sizeof rooted)) {
        fprintf(stderr, "%s: path too long\n", path);
        return false;
    }
    path = rooted;
    if (!resolveLinks(path, target_, sizeof target_)) {
        fprintf(stderr, "%s: %s\n", path, errno ? strerror(errno) : "path too long");
        return false;
    }
    snprintf(temporary_, sizeof temporary_, "%s.XXXXXX", target_);
    int fd = mkostemp(temporary_, O_CLOEXEC);
    if (fd < 0) {
        perror(temporary_);
        temporary_[0] = '\0';
        return false;
    }
    fchmod(fd, mode);
    stream_ = fdopen(fd, "w");
    if (!stream_) {
        perror(temporary_);
        close(fd);
        unlink(temporary_);
        temporary_[0] = '\0';
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
    if (fclose(stream_) != 0)
        ok = false;
    stream_ = nullptr;
    if (ok && rename(temporary_, target_) != 0)
        ok = false;
    if (!ok) {
        perror(target_);
        unlink(temporary_);
    }
    temporary_[0] = '\0';
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
