#include "tests/support/store_fixture.h"

#include <cstdlib>

#include "lib/run_lock.h"
#include "nvram.h"

void StoreTest::SetUp()
{
    store_ = std::make_unique<qavo::test::TempDir>("store-test");
    root_ = store_->path();
    ASSERT_FALSE(root_.empty());
    setenv("NVRAM_ROOT", root_.c_str(), 1);
    qavo::RunLock::setDirectoryForTests(root_.c_str()); // handlers' locks stay private too
    nvram_init(0);                                      // forget the previous test's values
}

void StoreTest::TearDown()
{
    unsetenv("NVRAM_ROOT");
    qavo::RunLock::setDirectoryForTests(nullptr);
    store_.reset();
}

void StoreTest::set(const char *key, const std::string &value)
{
    ASSERT_EQ(nvram_bufset(0, key, value.c_str()), 0) << key;
}
