// Writing a buffer to a file, file tests, the marker-file lock, stream readers, trimming.
#include "qavo/files.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lib/file_reading.h"

namespace qavo::files {

ReadResult readBytes(FILE *file, char *buffer, size_t capacity, int stopAt)
{
    ReadResult result{0, true};
    int c;
    while ((c = getc(file)) != EOF && c != stopAt) {
        if (result.stored == capacity) {
            result.complete = false;
            if (stopAt == EOF)
                ungetc(c, file);
            else
                while ((c = getc(file)) != EOF && c != stopAt) {
                }
            break;
        }
        buffer[result.stored++] = static_cast<char>(c);
    }
    return result;
}

} // namespace qavo::files

namespace {

// Reads into a buffer of size bytes and terminates it; the sized readers' common part.
int readTerminated(char *buffer, size_t size, FILE *file, int stopAt)
{
    if (!buffer || size == 0 || !file)
        return -1;
    qavo::files::ReadResult read = qavo::files::readBytes(file, buffer, size - 1, stopAt);
    buffer[read.stored] = '\0';
    return read.complete ? static_cast<int>(read.stored) : -1;
}

// The file's status, following symbolic links or not; false when it cannot be examined.
bool status(const char *path, struct stat &info, bool followLinks)
{
    return path && (followLinks ? stat(path, &info) : lstat(path, &info)) == 0;
}

} // namespace

extern "C" int writeData2File(const char *data, int length, const char *path)
{
    if (!path || strstr(path, "NULL")) {
        puts("writeDataFile fopen path failed please insert usb or use custom");
        return -1;
    }
    if (!data || length < 0)
        return -1;
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        printf("writeDataFile fopen %s failed\n", path);
        return -1;
    }
    int total = 0;
    int left = length;
    while (left > 0) {
        ssize_t written = write(fd, data + total, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        int count = written > 0 ? static_cast<int>(written) : 0;
        total += count;
        left -= count;
        if (count < length)
            printf("File write failed locWrite=%d numLeft=%d totallen=%d\n", total, left, length);
        if (count == 0) {
            // Nothing went out (a full disk, an I/O error): retrying would never end.
            close(fd);
            return -1;
        }
    }
    if (close(fd) != 0)
        return -1;
    return total;
}

extern "C" int f_file_exist(const char *path)
{
    struct stat info;
    return status(path, info, true) && S_ISREG(info.st_mode);
}

extern "C" int f_exists(const char *path)
{
    struct stat info;
    return status(path, info, true) && !S_ISDIR(info.st_mode);
}

extern "C" int d_exist(const char *path)
{
    struct stat info;
    return status(path, info, true) && S_ISDIR(info.st_mode);
}

extern "C" int testDir(const char *path)
{
    struct stat info;
    return status(path, info, false) && S_ISDIR(info.st_mode);
}

extern "C" int l_exist(const char *path)
{
    struct stat info;
    return status(path, info, false) && S_ISLNK(info.st_mode);
}

extern "C" int f_size(const char *path)
{
    struct stat info;
    if (!status(path, info, true) || info.st_size > INT_MAX)
        return -1;
    return static_cast<int>(info.st_size);
}

extern "C" int lock_file(const char *path)
{
    if (!path)
        return 0;
    // Exclusive creation: the test and the creation are one step, so one taker wins.
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0400);
    if (fd < 0) {
        if (errno != EEXIST)
            perror("lock_file");
        return 0;
    }
    close(fd);
    return 1;
}

extern "C" int unlock_file(const char *path)
{
    if (path)
        unlink(path);
    return 1;
}

extern "C" int readAllStrSized(char *buffer, size_t size, FILE *file)
{
    return readTerminated(buffer, size, file, EOF);
}

extern "C" void readAllStr(char *buffer, FILE *file)
{
    if (buffer && file)
        qavo::files::readBytes(file, buffer, SIZE_MAX, EOF);
}

extern "C" int nsqreadlineSized(char *buffer, size_t size, FILE *file)
{
    return readTerminated(buffer, size, file, '\n');
}

extern "C" void nsqreadline(char *buffer, FILE *file)
{
    if (buffer && file)
        qavo::files::readBytes(file, buffer, SIZE_MAX, '\n');
}

extern "C" char *strTrim(char *text)
{
    if (!text)
        return text;
    while (*text == ' ')
        ++text;
    // Never walks in front of the first character kept (an all-blank text ends empty).
    char *end = text + strlen(text);
    while (end > text && end[-1] == ' ')
        *--end = '\0';
    return text;
}
