// Generated files are replaced whole or not at all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "lib/atomic_file.h"
#include "lib/holders.h"
#include "tests/support/test_files.h"

using qavo::test::readFile;

using namespace qavo::quote;

// The syncs and renames of the code under test, in order (linked with --wrap for both).
static std::vector<std::string> fileCalls;
extern "C" int __real_fsync(int fd);
extern "C" int __real_rename(const char *from, const char *to);
extern "C" int __wrap_fsync(int fd)
{
    struct stat info;
    bool directory = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    fileCalls.push_back(directory ? "fsync directory " + std::to_string(info.st_ino) : "fsync file");
    return __real_fsync(fd);
}
extern "C" int __wrap_rename(const char *from, const char *to)
{
    fileCalls.push_back(std::string("rename to ") + strrchr(to, '/'));
    return __real_rename(from, to);
}

namespace {

int entries(const std::string &dir)
{
    int n = 0;
    DIR *d = opendir(dir.c_str());
    while (dirent *e = readdir(d))
        n += e->d_name[0] != '.';
    closedir(d);
    return n;
}

class AtomicFileTest : public testing::Test {
protected:
    AtomicFileTest()
    {
        char templ[] = "/tmp/qavo-atomic-XXXXXX";
        dir_ = mkdtemp(templ);
        path_ = dir_ + "/udhcpd.conf";
        std::ofstream(path_) << "old\n";
    }
    ~AtomicFileTest() override { std::system(("rm -rf " + dir_).c_str()); }
    std::string dir_, path_;
};

} // namespace

TEST_F(AtomicFileTest, CommitReplacesTheFile)
{
    qavo::AtomicFile file;
    ASSERT_TRUE(file.open(path_.c_str()));
    EXPECT_TRUE(file.write(Syntax::Plain, "start %s\n", {ipv4("dhcpStart", "192.168.1.100")}));
    EXPECT_EQ("old\n", readFile(path_)) << "visible before commit";
    ASSERT_TRUE(file.commit());
    EXPECT_EQ("start 192.168.1.100\n", readFile(path_));
    EXPECT_EQ(1, entries(dir_));
}

TEST_F(AtomicFileTest, RefusedPieceIsLeftOutAndReported)
{
    qavo::AtomicFile file;
    ASSERT_TRUE(file.open(path_.c_str()));
    EXPECT_TRUE(file.write(Syntax::Plain, "a\n"));
    EXPECT_FALSE(file.write(Syntax::Plain, "start %s\n", {text("dhcpStart", "1.2.3.4\ninterface eth0")}));
    EXPECT_TRUE(file.write(Syntax::Plain, "b\n"));
    ASSERT_TRUE(file.commit());
    EXPECT_EQ("a\nb\n", readFile(path_));
}

TEST_F(AtomicFileTest, UncommittedFileLeavesTheOldOneAndNoLitter)
{
    {
        qavo::AtomicFile file;
        ASSERT_TRUE(file.open(path_.c_str()));
        file.write(Syntax::Plain, "half\n");
    }
    EXPECT_EQ("old\n", readFile(path_));
    EXPECT_EQ(1, entries(dir_));
}

TEST_F(AtomicFileTest, KilledWriterLeavesTheOldFileWhole)
{
    pid_t pid = fork();
    if (pid == 0) {
        qavo::AtomicFile file;
        file.open(path_.c_str());
        file.write(Syntax::Plain, "partial\n");
        fflush(file.stream());
        raise(SIGKILL);
    }
    int status;
    waitpid(pid, &status, 0);
    EXPECT_EQ("old\n", readFile(path_));
    EXPECT_EQ(1, entries(dir_)) << "the killed writer's temporary file is left behind";
}

TEST_F(AtomicFileTest, CommittedFilesKeepTheirModeAndLeaveNoTemporaries)
{
    for (unsigned mode : {0600u, 0644u}) {
        qavo::AtomicFile file;
        ASSERT_TRUE(file.open(path_.c_str(), mode));
        file.write(Syntax::Plain, "new\n");
        ASSERT_TRUE(file.commit());
        struct stat info;
        ASSERT_EQ(0, stat(path_.c_str(), &info));
        EXPECT_EQ(mode, info.st_mode & 07777);
        EXPECT_EQ(1, entries(dir_));
    }
}

TEST_F(AtomicFileTest, SymbolicLinkKeepsPointingAtTheNewContent)
{
    std::string real = dir_ + "/real.conf";
    std::string link = dir_ + "/link.conf";
    std::ofstream(real) << "old\n";
    ASSERT_EQ(0, symlink("real.conf", link.c_str()));
    qavo::AtomicFile file;
    ASSERT_TRUE(file.open(link.c_str()));
    file.write(Syntax::Plain, "new\n");
    ASSERT_TRUE(file.commit());
    char target[64] = "";
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ("real.conf", target);
    EXPECT_EQ("new\n", readFile(real));
}

TEST_F(AtomicFileTest, MissingDirectoryFailsCleanly)
{
    qavo::AtomicFile file;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(file.open((dir_ + "/none/x.conf").c_str()));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("/none/x.conf"));
    EXPECT_FALSE(file.commit());
}

TEST_F(AtomicFileTest, CommitSyncsTheDirectoryAfterTheRename)
{
    struct stat directory;
    ASSERT_EQ(0, stat(dir_.c_str(), &directory));
    qavo::AtomicFile file;
    ASSERT_TRUE(file.open(path_.c_str()));
    file.write(Syntax::Plain, "new\n");
    fileCalls.clear();
    ASSERT_TRUE(file.commit());
    EXPECT_EQ((std::vector<std::string>{"fsync file", "rename to /udhcpd.conf",
                                        "fsync directory " + std::to_string(directory.st_ino)}),
              fileCalls);
}

TEST_F(AtomicFileTest, NextWriterRemovesTheTemporariesNobodyHolds)
{
    enum Kind { Left, Held, Link };
    const struct {
        const char *name;
        Kind kind;
        bool removed;
    } leftovers[] = {
        {"udhcpd.conf.tmp.Ab12Cd", Left, true},        // named temporary of a killed writer
        {"udhcpd.conf.tmp.4711.3.123456", Left, true}, // killed between link and rename
        {"udhcpd.conf.tmp.Live01", Held, false},       // a writer still at work
        {"udhcpd.conf.tmp.planted", Link, false},      // not a file: left alone
        {"udhcpd.conf.xl2tpd", Left, false},           // another file
        {"udhcpd.confX.tmp.Ab12Cd", Left, false},      // another file's temporary
    };
    qavo::Descriptor held;
    for (const auto &l : leftovers) {
        std::string path = dir_ + "/" + l.name;
        int made = l.kind == Link ? symlink("udhcpd.conf", path.c_str()) : (std::ofstream(path) << "secret\n", 0);
        if (l.kind == Held) {
            held.reset(open(path.c_str(), O_RDONLY | O_CLOEXEC));
            made = flock(held.get(), LOCK_EX);
        }
        ASSERT_EQ(0, made) << l.name;
    }
    qavo::AtomicFile file;
    ASSERT_TRUE(file.open(path_.c_str()));
    file.write(Syntax::Plain, "new\n");
    ASSERT_TRUE(file.commit());
    for (const auto &l : leftovers) {
        struct stat info;
        EXPECT_EQ(l.removed, lstat((dir_ + "/" + l.name).c_str(), &info) != 0) << l.name;
    }
    EXPECT_EQ("new\n", readFile(path_));
}
