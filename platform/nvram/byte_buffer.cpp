#include "platform/nvram/byte_buffer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace qavo::nvram {

ByteBuffer::~ByteBuffer()
{
    std::free(data_);
}

bool ByteBuffer::reserve(std::size_t extra)
{
    if (failed_)
        return false;
    if (capacity_ - size_ >= extra)
        return true;
    std::size_t wanted = capacity_ == 0 ? 4096 : capacity_;
    while (wanted - size_ < extra) {
        if (wanted > SIZE_MAX / 2) {
            failed_ = true;
            return false;
        }
        wanted *= 2;
    }
    void *larger = std::realloc(data_, wanted);
    if (larger == nullptr) {
        failed_ = true;
        return false;
    }
    data_ = static_cast<char *>(larger);
    capacity_ = wanted;
    return true;
}

bool ByteBuffer::append(std::string_view bytes)
{
    if (!reserve(bytes.size()))
        return false;
    if (!bytes.empty())
        std::memcpy(data_ + size_, bytes.data(), bytes.size());
    size_ += bytes.size();
    return true;
}

bool ByteBuffer::append(char byte)
{
    return append(std::string_view(&byte, 1));
}

} // namespace qavo::nvram
