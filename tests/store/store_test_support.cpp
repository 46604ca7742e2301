#include "tests/store/store_test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qavo::test {
namespace fs = std::filesystem;

unsigned crc32(const std::string &bytes)
{
    unsigned crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
}

void StoreRoot::SetUp()
{
    directory_ = std::make_unique<TempDir>("nvram-test");
    root_ = directory_->path();
    ASSERT_FALSE(root_.empty());
    setenv("NVRAM_ROOT", root_.c_str(), 1);
}

void StoreRoot::TearDown()
{
    unsetenv("NVRAM_ROOT");
    directory_.reset();
}

void StoreRoot::installFactoryDefaults() const
{
    ASSERT_TRUE(makeDirectories(path("/etc_ro/nvram")));
    for (const char *name : {"section0.defaults", "section1.defaults"}) {
        fs::copy_file(fs::path(NVRAM_DEFAULTS_DIR) / name, path(std::string("/etc_ro/nvram/") + name),
                      fs::copy_options::overwrite_existing);
    }
}

void StoreRoot::writeFile(const std::string &fixed, const std::string &contents) const
{
    ASSERT_TRUE(makeDirectories(fs::path(path(fixed)).parent_path()));
    std::ofstream file(path(fixed), std::ios::binary | std::ios::trunc);
    file << contents;
    ASSERT_TRUE(file.good()) << path(fixed);
}

std::string StoreRoot::readFile(const std::string &fixed) const
{
    return qavo::test::readFile(path(fixed));
}

bool StoreRoot::exists(const std::string &fixed) const
{
    return fs::exists(path(fixed));
}

void StoreRoot::removeTree(const std::string &fixed) const
{
    fs::remove_all(path(fixed));
}

void runWriters(int count, const std::function<int(int writer)> &body)
{
    std::vector<pid_t> writers;
    for (int w = 0; w < count; ++w) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            _exit(body(w) == 0 ? 0 : 1);
        writers.push_back(pid);
    }
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
}

namespace {

std::string programPath(const std::string &program)
{
    return std::string(NVRAM_PROGRAM_DIR) + "/" + program;
}

std::string slurpAndRemove(const std::string &filePath)
{
    std::string contents = readFile(filePath);
    fs::remove(filePath);
    return contents;
}

} // namespace

ProgramRun runProgram(const std::string &program, const std::vector<std::string> &args)
{
    std::string capture = (fs::temp_directory_path() / "nvram-run-XXXXXX").string();
    int captureFd = mkstemp(capture.data());
    if (captureFd < 0)
        return {-1, "", "mkstemp failed"};
    close(captureFd);
    const std::string outPath = capture + ".out";
    const std::string errPath = capture + ".err";
    fs::remove(capture);

    pid_t child = fork();
    if (child == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        std::string path = programPath(program);
        std::vector<char *> argv{path.data()};
        std::vector<std::string> copies(args);
        for (std::string &arg : copies)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ProgramRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurpAndRemove(outPath), slurpAndRemove(errPath)};
    return run;
}

std::string readInNewProcess(const std::string &section, const std::string &key)
{
    ProgramRun run = runProgram("nvram_get", {section, key});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    if (run.out.empty() || run.out.back() != '\n') {
        ADD_FAILURE() << "nvram_get output without line end: " << run.out;
        return run.out;
    }
    return run.out.substr(0, run.out.size() - 1);
}

} // namespace qavo::test
