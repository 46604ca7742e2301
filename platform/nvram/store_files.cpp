#include "platform/nvram/store_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nvram {
namespace {

constexpr const char *kLockPath = "/var/nvram/lock";

// Descriptor closed on every path.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor &) = delete;
  FileDescriptor &operator=(const FileDescriptor &) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded.
  bool close_checked() {
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// fsync of the directory that holds `path`, so a rename in it is durable.
void sync_parent_directory(const char *path) {
  char directory[kPathSize];
  std::snprintf(directory, sizeof directory, "%s", path);
  char *slash = std::strrchr(directory, '/');
  if (slash == nullptr) return;
  if (slash == directory) slash[1] = '\0';
  else *slash = '\0';
  FileDescriptor fd(open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0) fsync(fd.get());
}

}  // namespace

bool store_path(const char *fixed, char (&out)[kPathSize]) {
  const char *root = std::getenv("NVRAM_ROOT");
  if (root == nullptr) root = "";
  int length = std::snprintf(out, sizeof out, "%s%s", root, fixed);
  return length > 0 && static_cast<std::size_t>(length) < sizeof out;
}

bool make_parent_directories(const char *path) {
  char partial[kPathSize];
  if (std::snprintf(partial, sizeof partial, "%s", path) >= static_cast<int>(sizeof partial)) {
    errno = ENAMETOOLONG;
    return false;
  }
  for (char *slash = std::strchr(partial + 1, '/'); slash != nullptr;
       slash = std::strchr(slash + 1, '/')) {
    *slash = '\0';
    if (mkdir(partial, 0755) != 0 && errno != EEXIST) return false;
    *slash = '/';
  }
  return true;
}

ReadStatus read_whole_file(const char *path, ByteBuffer &out) {
  FileDescriptor fd(open(path, O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return errno == ENOENT ? ReadStatus::missing : ReadStatus::failed;
  struct stat info;
  if (fstat(fd.get(), &info) != 0) return ReadStatus::failed;
  if (!S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return ReadStatus::failed;
  }
  std::size_t expected = static_cast<std::size_t>(info.st_size);
  for (;;) {
    if (out.size() > kMaxFileSize) {
      errno = EFBIG;
      return ReadStatus::failed;
    }
    // One byte more than the size seen, so the end of file shows at once.
    std::size_t chunk = expected >= out.size() ? expected - out.size() + 1 : 4096;
    if (!out.reserve(chunk)) {
      errno = ENOMEM;
      return ReadStatus::failed;
    }
    ssize_t got = read(fd.get(), out.tail(), chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return ReadStatus::failed;
    }
    if (got == 0) return ReadStatus::ok;
    out.grow_by(static_cast<std::size_t>(got));
  }
}

bool replace_file(const char *path, std::string_view bytes, mode_t mode) {
  char temporary[kPathSize];
  if (std::snprintf(temporary, sizeof temporary, "%s.tmp", path) >= static_cast<int>(sizeof temporary)) {
    errno = ENAMETOOLONG;
    return false;
  }
  if (!make_parent_directories(path)) return false;
  // Writers hold the store lock, so one fixed temporary name is enough; a
  // leftover from a killed writer is simply overwritten.
  FileDescriptor fd(open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
  if (fd.get() < 0) return false;
  if (!write_all(fd.get(), bytes) || fsync(fd.get()) != 0 || !fd.close_checked()) {
    int saved = errno;
    unlink(temporary);
    errno = saved;
    return false;
  }
  if (rename(temporary, path) != 0) {
    int saved = errno;
    unlink(temporary);
    errno = saved;
    return false;
  }
  sync_parent_directory(path);
  return true;
}

StoreLock::StoreLock() {
  char path[kPathSize];
  if (!store_path(kLockPath, path)) {
    std::fprintf(stderr, "nvram: lock path too long\n");
    return;
  }
  int fd = -1;
  if (make_parent_directories(path)) fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, kStoreFileMode);
  while (fd >= 0 && flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      int saved = errno;
      close(fd);
      fd = -1;
      errno = saved;
    }
  }
  if (fd < 0) {
    std::fprintf(stderr, "nvram: %s: %s\n", path, std::strerror(errno));
    return;
  }
  fd_ = fd;
}

StoreLock::~StoreLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

}  // namespace nvram
