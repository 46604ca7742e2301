// Resource holders: each closes what it holds when it goes out of scope, so no path of a
// routine leaks a descriptor, a stream or a directory stream. Holders move, never copy.
#ifndef QAVO_LIB_HOLDERS_H
#define QAVO_LIB_HOLDERS_H

#include <cstdio>
#include <dirent.h>
#include <unistd.h>

namespace qavo {

// Holds a handle of type T that Release closes; Empty marks "nothing held".
template <typename T, int (*Release)(T), T Empty>
class Holder {
public:
    Holder() = default;
    explicit Holder(T handle) : handle_(handle) {}
    Holder(Holder &&other) noexcept : handle_(other.release()) {}
    Holder &operator=(Holder &&other) noexcept
    {
        reset(other.release());
        return *this;
    }
    Holder(const Holder &) = delete;
    Holder &operator=(const Holder &) = delete;
    ~Holder() { reset(); }

    T get() const { return handle_; }
    explicit operator bool() const { return handle_ != Empty; }
    // Gives the handle up without closing it.
    T release()
    {
        T handle = handle_;
        handle_ = Empty;
        return handle;
    }
    // Closes what is held (if anything), then holds handle.
    void reset(T handle = Empty)
    {
        if (handle_ != Empty)
            Release(handle_);
        handle_ = handle;
    }
    // Closes now and reports whether closing succeeded (a stream's buffered write may fail here).
    bool close()
    {
        T handle = release();
        return handle == Empty || Release(handle) == 0;
    }

private:
    T handle_ = Empty;
};

using File = Holder<FILE *, fclose, nullptr>;       // fopen, fdopen
using Directory = Holder<DIR *, closedir, nullptr>; // opendir
using Descriptor = Holder<int, ::close, -1>;        // open, socket

} // namespace qavo

#endif
