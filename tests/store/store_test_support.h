// Helpers for the configuration store tests: a private store root per test
// and runs of the store's programs as separate processes.
#ifndef QAVO_TESTS_STORE_STORE_TEST_SUPPORT_H
#define QAVO_TESTS_STORE_STORE_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace qavo::test {

// A fresh temporary directory used as NVRAM_ROOT, removed afterwards.
class StoreRoot : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Path of a store file under the root, e.g. path("/var/nvram/section0").
    std::string path(const std::string &fixed) const { return root_ + fixed; }
    // Installs the shipped factory defaults of both sections.
    void installFactoryDefaults() const;
    void writeFile(const std::string &fixed, const std::string &contents) const;
    std::string readFile(const std::string &fixed) const;
    bool exists(const std::string &fixed) const;
    void removeTree(const std::string &fixed) const;

    std::unique_ptr<TempDir> directory_;
    std::string root_;
};

// CRC-32 as used by the seal line (the common IEEE 802.3 polynomial).
unsigned crc32(const std::string &bytes);

// Runs body(writer) in `count` forked processes at once; each returns its number of
// failures. Expects every process to end with none.
void runWriters(int count, const std::function<int(int writer)> &body);

struct ProgramRun {
    int exitCode; // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs one of the store's programs (by target name) with the arguments and
// the current environment; waits for it.
ProgramRun runProgram(const std::string &program, const std::vector<std::string> &args);

// nvram_get in a separate process: the value a later process reads.
std::string readInNewProcess(const std::string &section, const std::string &key);

} // namespace qavo::test

#endif
