// Temporary values, writing files, file tests, the marker lock, stream readers, trimming,
// tree mirroring and uptime text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include "qavo/files.h"
#include "tests/support/test_files.h"

using qavo::test::makeDirectories;
using qavo::test::readFile;
using qavo::test::writeFile;

namespace {

class Files : public ::testing::Test {
protected:
    std::string path(const std::string &leaf) const { return dir_ / leaf; }
    std::string tmpName(const std::string &leaf) const { return name_ + "/" + leaf; }

    qavo::test::TempDir dir_{"qavo-files"};
    std::string name_ = dir_.path().substr(5); // the temporary value's name relative to /tmp
};

TEST_F(Files, ValueFromTmp)
{
    writeFile(path("one"), "1\n");
    writeFile(path("signed"), "  -42abc\n7\n");
    writeFile(path("word"), "yes\n");
    writeFile(path("huge"), "99999999999\n");
    EXPECT_EQ(1, getValFromTmp(tmpName("one").c_str()));
    EXPECT_EQ(-42, getValFromTmp(tmpName("signed").c_str()));
    EXPECT_EQ(0, getValFromTmp(tmpName("word").c_str()));
    EXPECT_EQ(2147483647, getValFromTmp(tmpName("huge").c_str()));
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, getValFromTmp(tmpName("missing").c_str()));
    EXPECT_EQ(0, getValFromTmp(std::string(80, 'n').c_str())); // path over 63 characters
    EXPECT_EQ("Read tmp file error!\nRead tmp file error!\n", testing::internal::GetCapturedStderr());
}

TEST(TmpValuePath, SixtyThreeCharactersAndOneMore)
{
    // "/tmp/" and a name of 58 characters is the longest path; one more is refused, not cut
    // to the shorter name.
    const std::string name(58, 'q'), longer = name + "q";
    writeFile("/tmp/" + name, "5\n");
    writeFile("/tmp/" + longer, "6\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(5, getValFromTmp(name.c_str()));
    EXPECT_EQ(0, getValFromTmp(longer.c_str()));
    char out[8] = "keep";
    EXPECT_EQ(1, getStrFromTmpSized(name.c_str(), out, sizeof out));
    EXPECT_STREQ("5", out);
    EXPECT_EQ(-1, getStrFromTmpSized(longer.c_str(), out, sizeof out));
    EXPECT_STREQ("5", out);
    EXPECT_EQ("Read tmp file error!\nRead tmp file error!\n", testing::internal::GetCapturedStderr());
    unlink(("/tmp/" + name).c_str());
    unlink(("/tmp/" + longer).c_str());
}

TEST_F(Files, StringFromTmpDropsTheLastCharacter)
{
    writeFile(path("word"), "usb1\n");
    writeFile(path("bare"), "usb1");
    writeFile(path("empty"), "");
    char out[8] = "keep";
    EXPECT_EQ(4, getStrFromTmpSized(tmpName("word").c_str(), out, sizeof out));
    EXPECT_STREQ("usb1", out);
    EXPECT_EQ(3, getStrFromTmpSized(tmpName("bare").c_str(), out, sizeof out));
    EXPECT_STREQ("usb", out);
    EXPECT_EQ(0, getStrFromTmpSized(tmpName("empty").c_str(), out, sizeof out));
    EXPECT_STREQ("", out);
    getStrFromTmp(tmpName("word").c_str(), out);
    EXPECT_STREQ("usb1", out);

    strcpy(out, "keep");
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, getStrFromTmpSized(tmpName("missing").c_str(), out, sizeof out));
    EXPECT_EQ("Read tmp file error!\n", testing::internal::GetCapturedStderr());
    EXPECT_STREQ("keep", out);
}

TEST_F(Files, TmpValueNamesMayNotClimbOutOfTmp)
{
    // The directory's own name, reached by a detour: every name below stays under /tmp.
    const std::string dirName = name_;
    writeFile(path("value"), "7\n");
    struct Case {
        std::string name;
        bool read;
    } cases[] = {
        {tmpName("value"), true},
        {dirName + "/./value", true},
        {dirName + "//value", true},
        {dirName + "/..value/../value", false},
        {"../tmp/" + dirName + "/value", false},
        {dirName + "/../" + dirName + "/value", false},
        {"..", false},
    };
    mkdir(path("..value").c_str(), 0700);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        char out[8] = "keep";
        testing::internal::CaptureStderr();
        EXPECT_EQ(c.read ? 1 : -1, getStrFromTmpSized(c.name.c_str(), out, sizeof out));
        EXPECT_EQ(c.read ? 7 : 0, getValFromTmp(c.name.c_str()));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_STREQ(c.read ? "7" : "keep", out);
        EXPECT_EQ(c.read ? "" : "Read tmp file error!\nRead tmp file error!\n", err);
    }
}

TEST_F(Files, StringFromTmpBoundary)
{
    writeFile(path("fits"), "1234567\n"); // 8 bytes: a text of 7 plus the terminator
    writeFile(path("over"), "12345678\n");
    char out[8];
    EXPECT_EQ(7, getStrFromTmpSized(tmpName("fits").c_str(), out, sizeof out));
    EXPECT_STREQ("1234567", out);
    EXPECT_EQ(-1, getStrFromTmpSized(tmpName("over").c_str(), out, sizeof out));
    EXPECT_STREQ("", out);
}

TEST_F(Files, WriteDataToFile)
{
    const char data[] = "line one\nline two\n";
    writeFile(path("old"), std::string(100, 'x'));
    EXPECT_EQ(18, writeData2File(data, 18, path("old").c_str()));
    EXPECT_EQ(data, readFile(path("old")));
    EXPECT_EQ(0, writeData2File(data, 0, path("empty").c_str()));
    EXPECT_EQ("", readFile(path("empty")));
}

TEST_F(Files, WriteDataRefusals)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(-1, writeData2File("x", 1, path("NULL/file").c_str()));
    EXPECT_EQ(-1, writeData2File("x", 1, path("noDir/file").c_str()));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ("writeDataFile fopen path failed please insert usb or use custom\nwriteDataFile fopen " +
                  path("noDir/file") + " failed\n",
              out);
    EXPECT_FALSE(f_exists(path("NULL").c_str()));
}

TEST_F(Files, WriteDataOnAFullDiskEnds)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(-1, writeData2File("abc", 3, "/dev/full"));
    EXPECT_EQ("File write failed locWrite=0 numLeft=3 totallen=3\n", testing::internal::GetCapturedStdout());
}

TEST_F(Files, FileTests)
{
    writeFile(path("file"), "abc");
    mkdir(path("dir").c_str(), 0755);
    symlink(path("file").c_str(), path("linkToFile").c_str());
    symlink(path("dir").c_str(), path("linkToDir").c_str());
    symlink(path("missing").c_str(), path("dangling").c_str());
    struct Case {
        std::string path;
        int fileExist, exists, dExist, testDirectory, lExist, size;
    };
    const Case cases[] = {
        {path("file"), 1, 1, 0, 0, 0, 3},       {path("dir"), 0, 0, 1, 1, 0, -2},
        {path("linkToFile"), 1, 1, 0, 0, 1, 3}, {path("linkToDir"), 0, 0, 1, 0, 1, -2},
        {path("dangling"), 0, 0, 0, 0, 1, -1},  {path("missing"), 0, 0, 0, 0, 0, -1},
        {"/dev/null", 0, 1, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        const char *p = c.path.c_str();
        EXPECT_EQ(c.fileExist, f_file_exist(p)) << p;
        EXPECT_EQ(c.exists, f_exists(p)) << p;
        EXPECT_EQ(c.dExist, d_exist(p)) << p;
        EXPECT_EQ(c.testDirectory, testDir(p)) << p;
        EXPECT_EQ(c.lExist, l_exist(p)) << p;
        if (c.size != -2) {
            EXPECT_EQ(c.size, f_size(p)) << p;
        }
    }
    EXPECT_EQ(0, f_exists(nullptr));
}

TEST_F(Files, MarkerLock)
{
    std::string lock = path("lock");
    EXPECT_EQ(1, lock_file(lock.c_str()));
    struct stat info;
    ASSERT_EQ(0, stat(lock.c_str(), &info));
    EXPECT_EQ(0400u, info.st_mode & 0777);
    EXPECT_EQ(0, lock_file(lock.c_str()));
    EXPECT_EQ(1, unlock_file(lock.c_str()));
    EXPECT_EQ(1, lock_file(lock.c_str()));
    EXPECT_EQ(1, unlock_file(lock.c_str()));
    EXPECT_EQ(1, unlock_file(lock.c_str())); // missing is no error
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, lock_file(path("noDir/lock").c_str()));
    EXPECT_NE("", testing::internal::GetCapturedStderr());
}

TEST_F(Files, ReadAllAndLines)
{
    writeFile(path("text"), "first\nsecond line\n\nlast");
    FILE *file = fopen(path("text").c_str(), "r");
    char line[8];
    EXPECT_EQ(5, nsqreadlineSized(line, sizeof line, file));
    EXPECT_STREQ("first", line);
    EXPECT_EQ(-1, nsqreadlineSized(line, sizeof line, file)); // 11 characters do not fit
    EXPECT_STREQ("second ", line);
    EXPECT_EQ(0, nsqreadlineSized(line, sizeof line, file)); // the rest was skipped
    EXPECT_STREQ("", line);
    EXPECT_EQ(4, nsqreadlineSized(line, sizeof line, file));
    EXPECT_STREQ("last", line);
    EXPECT_EQ(0, nsqreadlineSized(line, sizeof line, file));
    fclose(file);

    file = fopen(path("text").c_str(), "r");
    char whole[64] = {};
    nsqreadline(whole, file);
    EXPECT_STREQ("first", whole);
    char rest[64] = {};
    readAllStr(rest, file);
    EXPECT_STREQ("second line\n\nlast", rest);
    fclose(file);

    file = fopen(path("text").c_str(), "r");
    char small[10];
    EXPECT_EQ(-1, readAllStrSized(small, sizeof small, file));
    EXPECT_STREQ("first\nsec", small);
    EXPECT_EQ(14, readAllStrSized(whole, sizeof whole, file)); // the rest was left unread
    EXPECT_STREQ("ond line\n\nlast", whole);
    fclose(file);
}

TEST(StrTrim, OnlySpacesAreBlanks)
{
    struct Case {
        const char *text, *result;
    };
    const Case cases[] = {
        {"  word  ", "word"},     {"word", "word"}, {"", ""},    {"    ", ""}, {" ", ""},
        {"\tword\n", "\tword\n"}, {" a b ", "a b"}, {"x ", "x"},
    };
    for (const Case &c : cases) {
        std::string buffer = c.text;
        char *result = strTrim(buffer.data());
        EXPECT_STREQ(c.result, result) << '"' << c.text << '"';
        EXPECT_GE(result, buffer.data());
    }
    char text[] = "  word  ";
    strTrim(text);
    EXPECT_STREQ("  word", text); // trailing blanks cut in place
    EXPECT_EQ(nullptr, strTrim(nullptr));
}

TEST_F(Files, MirrorTree)
{
    std::string source = path("src"), target = path("dst");
    ASSERT_TRUE(makeDirectories(source + "/sub/deeper") && makeDirectories(target));
    writeFile(source + "/a.txt", "a");
    writeFile(source + "/.hidden", "h");
    writeFile(source + "/it's", "q");
    writeFile(source + "/sub/b.txt", "b");
    writeFile(source + "/sub/deeper/c d.txt", "c");
    char cwd[4096];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    buildFilesLn(source.c_str(), target.c_str());
    EXPECT_EQ(0, chdir(cwd));
    EXPECT_TRUE(l_exist((target + "/a.txt").c_str()));
    EXPECT_EQ("a", readFile(target + "/a.txt"));
    EXPECT_TRUE(testDir((target + "/sub").c_str()));
    EXPECT_EQ("b", readFile(target + "/sub/b.txt"));
    EXPECT_TRUE(l_exist((target + "/sub/deeper/c d.txt").c_str()));
    EXPECT_FALSE(l_exist((target + "/.hidden").c_str()));
    EXPECT_FALSE(l_exist((target + "/it's").c_str()));
}

TEST_F(Files, MirrorTreeGivenRelativePaths)
{
    // The mirror enters target directories as it goes; relative names must still mean
    // what they meant at the call, for every entry and not only the first.
    ASSERT_TRUE(makeDirectories(path("src/sub")) && makeDirectories(path("dst")));
    writeFile(path("src/a.txt"), "a");
    writeFile(path("src/b.txt"), "b");
    writeFile(path("src/sub/c.txt"), "c");
    char cwd[4096];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    ASSERT_EQ(0, chdir(dir_.path().c_str()));
    testing::internal::CaptureStdout();
    buildFilesLn("src", "dst");
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ(0, chdir(cwd));
    EXPECT_EQ("a", readFile(path("dst/a.txt")));
    EXPECT_EQ("b", readFile(path("dst/b.txt")));
    EXPECT_EQ("c", readFile(path("dst/sub/c.txt")));
    EXPECT_FALSE(f_exists(path("dst/dst").c_str()));
    buildFilesLn("", path("dst").c_str()); // names no directory: nothing happens
}

TEST_F(Files, MirrorTreeFailureReports)
{
    ASSERT_TRUE(makeDirectories(path("src")));
    symlink(path("nowhere").c_str(), path("src/dangling").c_str());
    char cwd[4096];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    testing::internal::CaptureStdout();
    buildFilesLn(path("src").c_str(), path("dst").c_str());
    EXPECT_EQ("stat fault\n", testing::internal::GetCapturedStdout());

    unlink(path("src/dangling").c_str());
    writeFile(path("src/file"), "f");
    testing::internal::CaptureStderr();
    buildFilesLn(path("src").c_str(), path("missing").c_str());
    EXPECT_EQ("Can't change to directory " + path("missing") + "\n", testing::internal::GetCapturedStderr());
    EXPECT_EQ(0, chdir(cwd));
    EXPECT_FALSE(l_exist(path("missing/file").c_str()));
}

TEST(SysUptime, DaysHoursMinutesSeconds)
{
    struct sysinfo before, after;
    char out[32];
    ASSERT_EQ(0, sysinfo(&before));
    getSysUptime(out);
    ASSERT_EQ(0, sysinfo(&after));
    int days, hours, minutes, seconds;
    char end;
    ASSERT_EQ(4, sscanf(out, "%d;%d;%d;%d%c", &days, &hours, &minutes, &seconds, &end)) << out;
    EXPECT_GE(days, 0);
    EXPECT_TRUE(hours >= 0 && hours < 24) << out;
    EXPECT_TRUE(minutes >= 0 && minutes < 60) << out;
    EXPECT_TRUE(seconds >= 0 && seconds < 60) << out;
    // The four parts add up to the kernel's uptime.
    long total = days * 86400L + hours * 3600L + minutes * 60L + seconds;
    EXPECT_GE(total, before.uptime) << out;
    EXPECT_LE(total, after.uptime) << out;
}

} // namespace
