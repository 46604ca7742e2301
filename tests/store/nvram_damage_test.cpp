// Damaged store files are reported with their path and the store falls back
// to the next level instead of failing.
#include <nvram.h>

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include <gmock/gmock.h>

#include "tests/store/store_test_support.h"

namespace {

using qavo::test::crc32;
using ::testing::HasSubstr;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

// Runtime copy holds "runtime", persistent copy "persistent", defaults
// "factory" for the key "level".
class NvramDamage : public qavo::test::StoreRoot {
protected:
    void SetUp() override
    {
        StoreRoot::SetUp();
        writeFile("/etc_ro/nvram/section0.defaults", "# factory\nlevel=factory\nonlyDefault=d\n");
        ASSERT_EQ(nvram_init(0), 0);
        ASSERT_EQ(nvram_bufset(0, "level", "persistent"), 0);
        ASSERT_EQ(nvram_commit(0), 0);
        ASSERT_EQ(nvram_bufset(0, "level", "runtime"), 0);
    }

    // Reloads the section and returns what was reported on standard error.
    std::string reload()
    {
        CaptureStderr();
        nvram_init(0);
        return GetCapturedStderr();
    }

    const std::string runtime_ = "/var/nvram/section0";
    const std::string persistent_ = "/etc/nvram/section0";
};

TEST_F(NvramDamage, IntactFilesLoadSilently)
{
    EXPECT_EQ(reload(), "");
    EXPECT_STREQ(nvram_bufget(0, "level"), "runtime");
    EXPECT_STREQ(nvram_bufget(0, "onlyDefault"), "d");
}

TEST_F(NvramDamage, DamagedRuntimeCopyFallsBackToPersistent)
{
    const std::string intact = readFile(runtime_);
    std::string flipped = intact;
    flipped[flipped.find("runtime")] = 'R';
    const std::string damaged[] = {
        intact.substr(0, intact.size() - 5), // truncated inside the seal
        intact.substr(0, intact.find('\n')), // truncated to the first line
        "\x01\x02garbage\xff\n",             // garbage
        flipped,                             // checksum no longer matches
        "level=runtime\n",                   // no seal
        "level=runtime\n#seal 2 ",           // unfinished seal
        "",                                  // empty
    };
    for (const std::string &contents : damaged) {
        writeFile(runtime_, contents);
        std::string report = reload();
        EXPECT_THAT(report, HasSubstr(path(runtime_))) << contents;
        EXPECT_STREQ(nvram_bufget(0, "level"), "persistent") << contents;
    }
    // nvram_init replaced the damaged runtime copy; the next load is clean.
    EXPECT_EQ(reload(), "");
}

TEST_F(NvramDamage, SealWithWrongEntryCountIsRefused)
{
    // A correct checksum over a body whose entry count differs from the seal.
    const std::string body = "level=runtime\n";
    char seal[64];
    std::snprintf(seal, sizeof seal, "#seal 2 %08x\n", crc32(body));
    writeFile(runtime_, body + seal);
    EXPECT_THAT(reload(), HasSubstr(path(runtime_)));
    EXPECT_STREQ(nvram_bufget(0, "level"), "persistent");
    std::snprintf(seal, sizeof seal, "#seal 1 %08x\n", crc32(body));
    writeFile(runtime_, body + seal);
    EXPECT_EQ(reload(), "");
    EXPECT_STREQ(nvram_bufget(0, "level"), "runtime");
}

TEST_F(NvramDamage, BothCopiesDamagedFallBackToDefaults)
{
    writeFile(runtime_, "junk");
    writeFile(persistent_, "level=persistent\n");
    std::string report = reload();
    EXPECT_THAT(report, HasSubstr(path(runtime_)));
    EXPECT_THAT(report, HasSubstr(path(persistent_)));
    EXPECT_STREQ(nvram_bufget(0, "level"), "factory");
    // Writing works again on top of the defaults.
    ASSERT_EQ(nvram_bufset(0, "level", "repaired"), 0);
    EXPECT_EQ(qavo::test::readInNewProcess("0", "level"), "repaired");
}

TEST_F(NvramDamage, MalformedLineOfHandWrittenDefaultsIsReportedAndSkipped)
{
    removeTree("/var");
    removeTree("/etc");
    writeFile("/etc_ro/nvram/section0.defaults", "a=1\nno separator here\nb=2\nbad\\qescape=3\n");
    std::string report = reload();
    EXPECT_THAT(report, HasSubstr(path("/etc_ro/nvram/section0.defaults") + ":2"));
    EXPECT_STREQ(nvram_bufget(0, "a"), "1");
    EXPECT_STREQ(nvram_bufget(0, "b"), "2");
    EXPECT_STREQ(nvram_bufget(0, "level"), "");
}

TEST_F(NvramDamage, ZeroByteInADefaultsLineMakesItMalformed)
{
    removeTree("/var");
    removeTree("/etc");
    writeFile("/etc_ro/nvram/section0.defaults", std::string("a=1\n\0k=v\nb=x\0y\nc=3\n", 19));
    std::string report = reload();
    EXPECT_THAT(report, HasSubstr(path("/etc_ro/nvram/section0.defaults") + ":2"));
    EXPECT_STREQ(nvram_bufget(0, ""), "");
    EXPECT_STREQ(nvram_bufget(0, "b"), "");
    EXPECT_STREQ(nvram_bufget(0, "c"), "3");
    // What the store writes back from these defaults reads back whole.
    ASSERT_EQ(nvram_bufset(0, "d", "4"), 0);
    ASSERT_EQ(nvram_commit(0), 0);
    EXPECT_EQ(qavo::test::readInNewProcess("0", "c"), "3");
    EXPECT_EQ(qavo::test::readInNewProcess("0", "d"), "4");
}

TEST_F(NvramDamage, UnreadableStoreFileIsReported)
{
    removeTree(runtime_);
    ASSERT_EQ(mkdir(path(runtime_).c_str(), 0755), 0); // a directory where the file belongs
    EXPECT_THAT(reload(), HasSubstr(path(runtime_)));
    EXPECT_STREQ(nvram_bufget(0, "level"), "persistent");
}

} // namespace
