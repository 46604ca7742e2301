// File access of the store: paths under NVRAM_ROOT, whole-file reads, atomic
// replacement and the writers' lock.
#ifndef QAVO_PLATFORM_NVRAM_STORE_FILES_H
#define QAVO_PLATFORM_NVRAM_STORE_FILES_H

#include <cstddef>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>

#include "platform/nvram/byte_buffer.h"

namespace qavo::nvram {

// An open file descriptor, closed when its owner goes (-1 holds none). The store is a
// stand-in for the platform's own library and keeps to its layer: it shares no helper
// with the code above it.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor &&other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        reset(other.fd_);
        other.fd_ = -1;
        return *this;
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor() { reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes what is held, then holds fd.
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes now; false when closing failed (a write may fail only here).
    bool close()
    {
        int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_ = -1;
};

// Longest path the store builds, NVRAM_ROOT included.
constexpr std::size_t kPathSize = 512;

// Largest store file, for readers and writers alike: a writer refuses a change
// that would make a file larger (nothing is written), and a reader refuses a
// larger file as damaged rather than read it into memory. 256 KiB is four
// times a usual flash configuration partition, and every process that reads
// settings holds one section in memory.
constexpr std::size_t kMaxFileSize = 256u << 10;

// Writes NVRAM_ROOT (when set) followed by `fixed` into `out`; false when it
// does not fit.
bool storePath(const char *fixed, char (&out)[kPathSize]);

// Creates the missing directories above `path`; false on failure (errno set).
bool makeParentDirectories(const char *path);

enum class ReadStatus { Ok, Missing, NotRegular, Failed };

// Reads the whole file into `out`. The path is opened without following a
// symbolic link and without blocking: anything but a regular file (a link, a
// FIFO, a device) gives NotRegular. Failed sets errno (EFBIG when larger
// than kMaxFileSize).
ReadStatus readWholeFile(const char *path, ByteBuffer &out);

// Access mode of store files: they hold passwords, so only their owner may
// read them.
constexpr mode_t kStoreFileMode = 0600;

// Replaces the file with `bytes` so that it holds either the old or the new
// contents at any moment: a temporary file of a unique name "<path>.tmp.XXXXXX"
// created exclusively in the same directory (never through a link) and held
// in use, fsync, rename, fsync of the directory (lib/temporary_files.h).
// Temporaries of the same path left by a killed writer are removed first.
// Creates missing directories. False on failure (errno set); the old file is
// then unchanged.
bool replaceFile(const char *path, std::string_view bytes, mode_t mode);

// Exclusive lock on the runtime copies' directory "/var/nvram", held until
// destruction. Every process that writes store files holds it while it reads,
// changes and writes, so no update is lost. A directory that holds files
// cannot be removed, and one that was replaced meanwhile is noticed after
// locking and the new one locked instead. A failure is reported on standard
// error.
class StoreLock {
public:
    StoreLock();
    StoreLock(const StoreLock &) = delete;
    StoreLock &operator=(const StoreLock &) = delete;
    bool held() const { return static_cast<bool>(fd_); }

private:
    Descriptor fd_; // closing it releases the lock
};

} // namespace qavo::nvram

#endif
