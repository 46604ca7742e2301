// One run at a time, across processes, for work that must not overlap: reconfiguring one
// part of the router, or one request/reply exchange on a topic.
#ifndef QAVO_LIB_RUN_LOCK_H
#define QAVO_LIB_RUN_LOCK_H

namespace qavo {

// An exclusive flock on "/var/run/<name>.lock" (or on "<path>.lock" beside a given file),
// opened without following a link, held from construction to destruction (or
// to the process's end, however it ends). The wait is bounded: the lock is tried again
// every few milliseconds until waitMilliseconds have passed; then the holder gives up and
// prints "Error: <what>: another process still holds its lock; gave up after N ms." on
// standard error. A lock file that was removed or replaced while this process waited for it is
// noticed after locking and the file now at the path is locked instead.
//
// The holder removes the lock file when it is done, so no file is left behind for every
// name ever used; a holder that is killed leaves an unlocked file, used again by the next.
//
// When no lock file can be made at all (no /var/run, no permission) the work runs
// unlocked, after a warning: refusing it would leave the router unconfigured.
class RunLock {
public:
    RunLock(const char *name, const char *what, int waitMilliseconds);
    // The lock file "<path>.lock" next to the file at path, for work on that file.
    struct Beside {
        const char *path;
    };
    RunLock(Beside file, const char *what, int waitMilliseconds);
    ~RunLock();
    RunLock(const RunLock &) = delete;
    RunLock &operator=(const RunLock &) = delete;

    // True when the wait ran out while another process held the lock: the caller must not
    // do its work.
    bool gaveUp() const { return gaveUp_; }
    // Milliseconds spent waiting for the lock.
    long waitedMilliseconds() const { return waited_; }

    // Test seam: lock files go to this directory instead of "/var/run" (nullptr: back to
    // "/var/run"); the text is kept by pointer and must outlive its use. The programs never
    // call it.
    static void setDirectoryForTests(const char *directory);

private:
    // Takes the lock on path_, as described above; named is false when path_ did not fit.
    void acquire(bool named, const char *what, int waitMilliseconds);

    int fd_ = -1;
    char path_[256] = "";
    bool gaveUp_ = false;
    long waited_ = 0;
};

} // namespace qavo

#endif
