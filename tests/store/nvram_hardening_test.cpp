// The store under hostile conditions: values past the size limit, a lock that
// is deleted while writers run, FIFOs and links planted at store paths, and
// temporaries left by killed writers.
#include <nvram.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include <gmock/gmock.h>

#include "tests/store/store_test_support.h"

namespace {

namespace fs = std::filesystem;
using qavo::test::runProgram;
using ::testing::HasSubstr;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

constexpr std::size_t kLimit = 256u << 10;

class NvramHardening : public qavo::test::StoreRoot {
protected:
    void SetUp() override
    {
        StoreRoot::SetUp();
        installFactoryDefaults();
        ASSERT_EQ(nvram_init(0), 0);
    }
};

// Runs fn in a child that SIGALRM ends after `seconds`; the child's exit code,
// or -1 when it hung or crashed.
int runBounded(const std::function<int()> &fn, unsigned seconds)
{
    pid_t child = fork();
    if (child == 0) {
        alarm(seconds);
        _exit(fn());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(NvramHardening, ValuesPastTheSizeLimitAreRefusedAndNothingStoredIsLost)
{
    ASSERT_EQ(nvram_bufset(0, "uncommitted", "kept"), 0);
    const std::string big(kLimit, 'A');
    CaptureStderr();
    EXPECT_EQ(nvram_bufset(0, "big", big.c_str()), -1);
    EXPECT_THAT(GetCapturedStderr(), HasSubstr("limit"));
    EXPECT_STREQ(nvram_bufget(0, "big"), "") << "a refused value is not kept in memory either";
    EXPECT_EQ(nvram_commit(0), 0);
    EXPECT_EQ(qavo::test::readInNewProcess("2860", "uncommitted"), "kept");
    removeTree("/var/nvram"); // a reboot: only the committed copy is left
    EXPECT_EQ(qavo::test::readInNewProcess("2860", "uncommitted"), "kept");
    EXPECT_EQ(qavo::test::readInNewProcess("2860", "lan_ipaddr"), "192.168.1.1");
}

TEST_F(NvramHardening, NvramSetFailsAtTheLimitAndEarlierValuesStay)
{
    const std::string chunk(40000, 'A');
    int stored = 0;
    for (int i = 0; i < 10; ++i) {
        qavo::test::ProgramRun run = runProgram("nvram_set", {"2860", "big" + std::to_string(i), chunk});
        if (run.exitCode != 0) {
            EXPECT_THAT(run.err, HasSubstr("big" + std::to_string(i)));
            break;
        }
        ++stored;
    }
    ASSERT_GT(stored, 0);
    ASSERT_LT(stored, 10) << "the limit was never reached";
    EXPECT_LE(fs::file_size(path("/var/nvram/section0")), kLimit);
    EXPECT_LE(fs::file_size(path("/etc/nvram/section0")), kLimit);
    for (int i = 0; i < stored; ++i) {
        EXPECT_TRUE(qavo::test::readInNewProcess("2860", "big" + std::to_string(i)) == chunk) << i;
    }
    EXPECT_EQ(qavo::test::readInNewProcess("2860", "big" + std::to_string(stored)), "");
}

TEST_F(NvramHardening, FilesPastTheLimitAreRefusedByReaders)
{
    ASSERT_EQ(nvram_bufset(0, "level", "runtime"), 0);
    ASSERT_EQ(nvram_commit(0), 0);
    // A sealed, intact file just past the limit, as an older store could have written it.
    const std::string body = "level=huge\npad=" + std::string(kLimit, 'p') + "\n";
    char seal[64];
    std::snprintf(seal, sizeof seal, "#seal 2 %08x\n", qavo::test::crc32(body));
    writeFile("/var/nvram/section0", body + seal);
    CaptureStderr();
    nvram_init(0);
    EXPECT_THAT(GetCapturedStderr(), HasSubstr(path("/var/nvram/section0")));
    EXPECT_STREQ(nvram_bufget(0, "level"), "runtime");
}

TEST_F(NvramHardening, DeletingTheLockWhileWritersRunLosesNoUpdate)
{
    constexpr int kWriters = 4;
    constexpr int kKeys = 40;
    pid_t vandal = fork();
    ASSERT_GE(vandal, 0);
    if (vandal == 0) {
        const std::string lock = path("/var/nvram/lock");
        const std::string directory = path("/var/nvram");
        for (;;) {
            unlink(lock.c_str());
            rmdir(directory.c_str());
        }
    }
    qavo::test::runWriters(kWriters, [](int w) {
        int failures = 0;
        for (int k = 0; k < kKeys; ++k) {
            std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
            failures += nvram_bufset(0, key.c_str(), "v") != 0;
        }
        return failures;
    });
    kill(vandal, SIGKILL);
    waitpid(vandal, nullptr, 0);
    CaptureStderr();
    nvram_init(0);
    EXPECT_EQ(GetCapturedStderr(), "") << "the runtime copy is intact";
    int lost = 0;
    for (int w = 0; w < kWriters; ++w) {
        for (int k = 0; k < kKeys; ++k) {
            std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
            lost += std::string(nvram_bufget(0, key.c_str())) != "v";
        }
    }
    EXPECT_EQ(lost, 0);
}

struct PlantedFile {
    const char *what;
    std::function<void(const std::string &path, const std::string &elsewhere)> plant;
};

TEST_F(NvramHardening, AnythingButARegularFileAtAStorePathIsRefusedWithoutHanging)
{
    ASSERT_EQ(nvram_bufset(0, "level", "persistent"), 0);
    ASSERT_EQ(nvram_commit(0), 0);
    writeFile("/elsewhere", "level=planted\n");
    const PlantedFile cases[] = {
        {"FIFO", [](const std::string &p, const std::string &) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
        {"symbolic link",
         [](const std::string &p, const std::string &e) { ASSERT_EQ(symlink(e.c_str(), p.c_str()), 0); }},
    };
    for (const PlantedFile &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string runtime = path("/var/nvram/section0");
        unlink(runtime.c_str());
        c.plant(runtime, path("/elsewhere"));
        CaptureStderr();
        int result = runBounded(
            [] {
                nvram_init(0);
                return std::string(nvram_bufget(0, "level")) == "persistent" ? 0 : 1;
            },
            5);
        std::string err = GetCapturedStderr();
        EXPECT_EQ(result, 0) << "the reader hung or read the planted file";
        EXPECT_THAT(err, HasSubstr(runtime));
        EXPECT_THAT(err, HasSubstr("not a regular file"));
    }
}

TEST_F(NvramHardening, TemporaryFilesAreExclusiveUniqueAndNeverLeftBehind)
{
    // A link at the name the store once used for its temporary, and one left by
    // a killed writer under the present pattern.
    writeFile("/victim", "secret\n");
    ASSERT_EQ(symlink(path("/victim").c_str(), path("/var/nvram/section0.tmp").c_str()), 0);
    writeFile("/var/nvram/section0.tmp.Ab12Cd", "left by a killed writer");
    ASSERT_EQ(nvram_bufset(0, "password", "hunter2"), 0);
    EXPECT_EQ(readFile("/victim"), "secret\n");
    EXPECT_FALSE(exists("/var/nvram/section0.tmp.Ab12Cd"));
    for (const char *file : {"/var/nvram/section0", "/etc/nvram/section0"}) {
        ASSERT_EQ(nvram_commit(0), 0);
        struct stat info;
        ASSERT_EQ(stat(path(file).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600u) << file;
    }
    int leftovers = 0;
    for (const auto &entry : fs::directory_iterator(path("/var/nvram"))) {
        leftovers += entry.path().filename().string().rfind("section0.tmp.", 0) == 0;
    }
    EXPECT_EQ(leftovers, 0);
}

} // namespace
