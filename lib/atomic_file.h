// Generated files are written whole or not at all: the text goes to a temporary file in
// the directory of the final file, which replaces it by rename only when every line was
// accepted and written. The temporary file is unnamed (O_TMPFILE) where the file system
// allows it and gets a name only to be renamed over the final file; elsewhere it is a file
// created exclusively. Either way it is held in use until the rename, and the next writer
// of the same file removes the temporaries a killed writer left (lib/temporary_files.h),
// so none stays behind for good. Where the path is a symbolic link, the file it points to
// is replaced and the link stays.
#ifndef QAVO_LIB_ATOMIC_FILE_H
#define QAVO_LIB_ATOMIC_FILE_H

#include <cstdio>
#include <initializer_list>

#include "lib/quote.h"

namespace qavo {

class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;
    ~AtomicFile(); // an uncommitted file is discarded

    // Starts the temporary file for path (under the test root, lib/system.h). False (with
    // a perror-style message) on failure.
    bool open(const char *path, unsigned mode = 0644);

    // Writes one formatted piece with quote::Builder rules for the syntax. A refused value
    // drops only this piece (the caller decides whether the file is still worth committing)
    // and returns false; a write error spoils the whole file.
    template <size_t N>
    bool write(quote::Syntax syntax, const char (&format)[N], std::initializer_list<quote::Value> values = {})
    {
        char piece[1024];
        quote::Builder builder(syntax, piece, sizeof piece);
        return builder.add(format, values) && writeText(builder.c_str(), builder.length());
    }

    // Writes bytes as they are.
    bool writeText(const char *text, size_t length);

    // Flushes, syncs and renames over the final path, then syncs the directory. When it
    // returns true, the new contents and the rename are both on stable storage: after a
    // power cut the path holds the new file whole (on file systems that keep fsync's
    // promise). False when anything failed: the path then holds the old file, or the new
    // one whole when only the directory sync failed (the rename may not survive a cut).
    bool commit();

    FILE *stream() const { return stream_; }

    // True when path names an existing file (taken under the test root, lib/system.h).
    static bool exists(const char *path);

private:
    void discard();

    FILE *stream_ = nullptr;
    bool failed_ = false;
    bool unnamed_ = false;
    char target_[256] = "";
    char temporary_[300] = "";
};

} // namespace qavo

#endif
