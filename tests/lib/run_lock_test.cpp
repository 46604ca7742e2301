// One run at a time across processes: waiting, giving up, and locks of dead holders.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "lib/run_lock.h"
#include "tests/support/test_files.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class RunLockTest : public testing::Test {
protected:
    RunLockTest() { qavo::RunLock::setDirectoryForTests(dir_.path().c_str()); }
    ~RunLockTest() override { qavo::RunLock::setDirectoryForTests(nullptr); }

    // A child that takes the lock, says so, and holds it for holdMs (then exits) or until killed.
    pid_t holder(const char *name, int holdMs)
    {
        int ready[2];
        EXPECT_EQ(0, pipe(ready));
        pid_t pid = fork();
        if (pid == 0) {
            qavo::RunLock lock(name, "holder", 1000);
            (void)!write(ready[1], "x", 1);
            usleep(static_cast<useconds_t>(holdMs) * 1000);
            _exit(0);
        }
        char byte;
        (void)!read(ready[0], &byte, 1);
        close(ready[0]);
        close(ready[1]);
        return pid;
    }

    qavo::test::TempDir dir_{"run-lock"};
};

TEST_F(RunLockTest, SecondRunWaitsGivesUpOrGoesAhead)
{
    struct Case {
        const char *what;
        const char *name; // lock the second run asks for
        int holdMs;       // how long the first run holds "lan"
        int waitMs;       // the second run's bound
        bool gaveUp;
        double atLeast, below; // seconds the second run took
    } cases[] = {
        {"waits for the first run", "lan", 400, 5000, false, 0.35, 3.0},
        {"gives up at its bound", "lan", 3000, 300, true, 0.29, 1.5},
        {"another part does not wait", "routing", 1500, 5000, false, 0.0, 0.5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        pid_t first = holder("lan", c.holdMs);
        testing::internal::CaptureStderr();
        auto start = Clock::now();
        bool gaveUp;
        {
            qavo::RunLock lock(c.name, "initlan", c.waitMs);
            gaveUp = lock.gaveUp();
        }
        double took = secondsSince(start);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.gaveUp, gaveUp);
        EXPECT_GE(took, c.atLeast);
        EXPECT_LT(took, c.below);
        if (c.gaveUp) {
            EXPECT_EQ(0u, err.find("Error: initlan: another process still holds its lock; gave up after ")) << err;
        } else {
            EXPECT_EQ("", err);
            EXPECT_NE(0, access((dir_ / (std::string(c.name) + ".lock")).c_str(), F_OK)) << "lock file left";
        }
        kill(first, SIGKILL);
        waitpid(first, nullptr, 0);
    }
}

TEST_F(RunLockTest, KilledHolderAndRemovedLockFileDoNotBlock)
{
    pid_t first = holder("lan", 60000);
    kill(first, SIGKILL);
    waitpid(first, nullptr, 0);
    {
        qavo::RunLock lock("lan", "initlan", 200);
        EXPECT_FALSE(lock.gaveUp()) << "a killed holder's lock is released with its process";
    }

    // The file is removed while a run holds it and another waits on it: a third run takes
    // a new file at once, and the waiting run, once the first is done, notices that its file
    // is no longer at the path and waits for the third instead of running beside it.
    first = holder("lan", 300);
    pid_t waiter = fork();
    if (waiter == 0) {
        qavo::RunLock lock("lan", "waiter", 5000);
        _exit(lock.gaveUp() ? 255 : static_cast<int>(lock.waitedMilliseconds() / 100));
    }
    usleep(100 * 1000);
    unlink((dir_ / "lan.lock").c_str());
    {
        auto start = Clock::now();
        qavo::RunLock third("lan", "third", 5000);
        EXPECT_FALSE(third.gaveUp());
        EXPECT_LT(secondsSince(start), 0.1);
        usleep(800 * 1000);
    }
    int status = 0;
    waitpid(waiter, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_GE(WEXITSTATUS(status), 8) << "the waiting run went ahead on the removed file";
    EXPECT_LT(WEXITSTATUS(status), 30);
    waitpid(first, nullptr, 0);
}

TEST_F(RunLockTest, NoLockDirectoryRunsUnlockedAfterAWarning)
{
    const std::string missing = dir_ / "missing"; // the seam keeps the pointer
    qavo::RunLock::setDirectoryForTests(missing.c_str());
    testing::internal::CaptureStderr();
    qavo::RunLock lock("lan", "initlan", 100);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(lock.gaveUp());
    EXPECT_EQ(0u, err.find("Warning: initlan: ")) << err;
}

} // namespace
