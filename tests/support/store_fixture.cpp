#include "tests/support/store_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "lib/run_lock.h"
#include "nvram.h"

void StoreTest::SetUp()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "networkconfig-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    setenv("NVRAM_ROOT", root_.c_str(), 1);
    qavo::RunLock::setDirectoryForTests(root_.c_str()); // handlers' locks stay private too
    nvram_init(0); // forget the previous test's values
}

void StoreTest::TearDown()
{
    unsetenv("NVRAM_ROOT");
    qavo::RunLock::setDirectoryForTests(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void StoreTest::set(const char *key, const std::string &value)
{
    ASSERT_EQ(nvram_bufset(0, key, value.c_str()), 0) << key;
}
