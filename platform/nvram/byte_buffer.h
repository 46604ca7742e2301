// Growable heap buffer for file contents.
#ifndef QAVO_PLATFORM_NVRAM_BYTE_BUFFER_H
#define QAVO_PLATFORM_NVRAM_BYTE_BUFFER_H

#include <cstddef>
#include <string_view>

namespace qavo::nvram {

class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer &) = delete;
    ByteBuffer &operator=(const ByteBuffer &) = delete;
    ~ByteBuffer();

    // Makes room for `extra` more bytes; false when memory runs out.
    bool reserve(std::size_t extra);
    // Appends; false when memory runs out (the buffer is then marked failed).
    bool append(std::string_view bytes);
    bool append(char byte);
    // Space after the current end for a reader; commit what was filled.
    char *tail() { return data_ + size_; }
    void growBy(std::size_t filled) { size_ += filled; }

    bool failed() const { return failed_; }
    char *data() { return data_; }
    const char *data() const { return data_; }
    std::size_t size() const { return size_; }
    std::string_view view() const { return std::string_view(data_, size_); }

private:
    char *data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool failed_ = false;
};

} // namespace qavo::nvram

#endif
