#include "tests/store/store_test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace store_test {
namespace fs = std::filesystem;

unsigned crc32(const std::string &bytes) {
  unsigned crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFu;
}


void StoreRoot::SetUp() {
  std::string pattern = (fs::temp_directory_path() / "nvram-test-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  root_ = pattern;
  setenv("NVRAM_ROOT", root_.c_str(), 1);
}

void StoreRoot::TearDown() {
  unsetenv("NVRAM_ROOT");
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

void StoreRoot::install_factory_defaults() const {
  fs::create_directories(path("/etc_ro/nvram"));
  for (const char *name : {"section0.defaults", "section1.defaults"}) {
    fs::copy_file(fs::path(NVRAM_DEFAULTS_DIR) / name, path(std::string("/etc_ro/nvram/") + name),
                  fs::copy_options::overwrite_existing);
  }
}

void StoreRoot::write_file(const std::string &fixed, const std::string &contents) const {
  fs::create_directories(fs::path(path(fixed)).parent_path());
  std::ofstream file(path(fixed), std::ios::binary | std::ios::trunc);
  file << contents;
  ASSERT_TRUE(file.good()) << path(fixed);
}

std::string StoreRoot::read_file(const std::string &fixed) const {
  std::ifstream file(path(fixed), std::ios::binary);
  std::stringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

bool StoreRoot::exists(const std::string &fixed) const { return fs::exists(path(fixed)); }

void StoreRoot::remove_tree(const std::string &fixed) const { fs::remove_all(path(fixed)); }

void run_writers(int count, const std::function<int(int writer)> &body) {
  std::vector<pid_t> writers;
  for (int w = 0; w < count; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) _exit(body(w) == 0 ? 0 : 1);
    writers.push_back(pid);
  }
  for (pid_t writer : writers) {
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
}

namespace {

std::string program_path(const std::string &program) {
  return std::string(NVRAM_PROGRAM_DIR) + "/" + program;
}

std::string slurp_and_remove(const std::string &file_path) {
  std::ifstream file(file_path, std::ios::binary);
  std::stringstream contents;
  contents << file.rdbuf();
  fs::remove(file_path);
  return contents.str();
}

}  // namespace

ProgramRun run_program(const std::string &program, const std::vector<std::string> &args) {
  std::string capture = (fs::temp_directory_path() / "nvram-run-XXXXXX").string();
  int capture_fd = mkstemp(capture.data());
  if (capture_fd < 0) return {-1, "", "mkstemp failed"};
  close(capture_fd);
  const std::string out_path = capture + ".out";
  const std::string err_path = capture + ".err";
  fs::remove(capture);

  pid_t child = fork();
  if (child == 0) {
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    std::string path = program_path(program);
    std::vector<char *> argv{path.data()};
    std::vector<std::string> copies(args);
    for (std::string &arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ProgramRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp_and_remove(out_path),
                 slurp_and_remove(err_path)};
  return run;
}

std::string read_in_new_process(const std::string &section, const std::string &key) {
  ProgramRun run = run_program("nvram_get", {section, key});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  if (run.out.empty() || run.out.back() != '\n') {
    ADD_FAILURE() << "nvram_get output without line end: " << run.out;
    return run.out;
  }
  return run.out.substr(0, run.out.size() - 1);
}

}  // namespace store_test
