// Helpers for the configuration store tests: a private store root per test
// and runs of the store's programs as separate processes.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace store_test {

// A fresh temporary directory used as NVRAM_ROOT, removed afterwards.
class StoreRoot : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Path of a store file under the root, e.g. path("/var/nvram/section0").
  std::string path(const std::string &fixed) const { return root_ + fixed; }
  // Installs the shipped factory defaults of both sections.
  void install_factory_defaults() const;
  void write_file(const std::string &fixed, const std::string &contents) const;
  std::string read_file(const std::string &fixed) const;
  bool exists(const std::string &fixed) const;
  void remove_tree(const std::string &fixed) const;

  std::string root_;
};

// CRC-32 as used by the seal line (the common IEEE 802.3 polynomial).
unsigned crc32(const std::string &bytes);

// Runs body(writer) in `count` forked processes at once; each returns its number of
// failures. Expects every process to end with none.
void run_writers(int count, const std::function<int(int writer)> &body);

struct ProgramRun {
  int exit_code;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs one of the store's programs (by target name) with the arguments and
// the current environment; waits for it.
ProgramRun run_program(const std::string &program, const std::vector<std::string> &args);

// nvram_get in a separate process: the value a later process reads.
std::string read_in_new_process(const std::string &section, const std::string &key);

}  // namespace store_test
