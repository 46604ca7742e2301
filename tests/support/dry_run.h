// A dry run of the system seam for unit tests: a private store (StoreTest), a private
// file tree every absolute path goes under, and a recorder in place of the shell.
#ifndef QAVO_TESTS_DRY_RUN_H
#define QAVO_TESTS_DRY_RUN_H

#include <initializer_list>
#include <memory>
#include <string>

#include "tests/support/command_recorder.h"
#include "tests/support/store_fixture.h"
#include "tests/support/test_files.h"

class DryRunTest : public StoreTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a file of the tree (path absolute, as the code names it), making its directories.
    void file(const std::string &path, const std::string &text) const;
    // Makes the commands that begin with prefix write text into the tree's path, as a
    // shell redirection would ("mii_mgr ... > /tmp/wanConnectStatus").
    void writes(const std::string &prefix, const std::string &path, const std::string &text);
    // Stores the settings, key then value.
    static void settings(std::initializer_list<std::pair<const char *, const char *>> pairs);

    qavo::test::CommandRecorder recorder_;
    std::unique_ptr<qavo::test::TempDir> tree_;
};

#endif
