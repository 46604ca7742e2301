// A private, empty configuration store per test (NVRAM_ROOT in a temporary directory),
// which also holds the run locks the tools take.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_files.h"

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static void set(const char *key, const std::string &value);

    std::string root_;
};
