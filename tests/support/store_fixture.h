// A private, empty configuration store per test (NVRAM_ROOT in a temporary directory),
// which also holds the run locks the tools take.
#ifndef QAVO_TESTS_STORE_FIXTURE_H
#define QAVO_TESTS_STORE_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/test_files.h"

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static void set(const char *key, const std::string &value);

    std::unique_ptr<qavo::test::TempDir> store_;
    std::string root_; // the store's root directory, free for the test's own files too
};

#endif
