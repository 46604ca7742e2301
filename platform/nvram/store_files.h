// File access of the store: paths under NVRAM_ROOT, whole-file reads, atomic
// replacement and the writers' lock.
#pragma once

#include <cstddef>
#include <string_view>
#include <sys/types.h>

#include "platform/nvram/byte_buffer.h"

namespace nvram {

// Longest path the store builds, NVRAM_ROOT included.
constexpr std::size_t kPathSize = 512;

// Files larger than this are refused as damaged rather than read into memory.
constexpr std::size_t kMaxFileSize = 8u << 20;

// Writes NVRAM_ROOT (when set) followed by `fixed` into `out`; false when it
// does not fit.
bool store_path(const char *fixed, char (&out)[kPathSize]);

// Creates the missing directories above `path`; false on failure (errno set).
bool make_parent_directories(const char *path);

enum class ReadStatus { ok, missing, failed };

// Reads the whole file into `out`; failed sets errno (EFBIG when too large).
ReadStatus read_whole_file(const char *path, ByteBuffer &out);

// Access mode of store files: they hold passwords, so only their owner may
// read them.
constexpr mode_t kStoreFileMode = 0600;

// Replaces the file with `bytes` so that it holds either the old or the new
// contents at any moment: temporary file in the same directory, fsync,
// rename, fsync of the directory. Creates missing directories. False on
// failure (errno set); the old file is then unchanged.
bool replace_file(const char *path, std::string_view bytes, mode_t mode);

// Exclusive lock on the store's lock file, held until destruction. Every
// process that writes store files holds it while it reads, changes and
// writes, so no update is lost. A failure is reported on standard error.
class StoreLock {
 public:
  StoreLock();
  StoreLock(const StoreLock &) = delete;
  StoreLock &operator=(const StoreLock &) = delete;
  ~StoreLock();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace nvram
