#include "tests/support/dry_run.h"

#include <filesystem>

#include "lib/system.h"

void DryRunTest::SetUp()
{
    StoreTest::SetUp();
    tree_ = std::make_unique<qavo::test::TempDir>("dry-run");
    ASSERT_TRUE(qavo::test::makeDirectories(*tree_ / "tmp"));
    qavo::sys::setRootForTests(tree_->path().c_str());
}

void DryRunTest::TearDown()
{
    qavo::sys::setRootForTests(nullptr);
    tree_.reset();
    StoreTest::TearDown();
}

void DryRunTest::file(const std::string &path, const std::string &text) const
{
    std::string inTree = tree_->path() + path;
    ASSERT_TRUE(qavo::test::makeDirectories(std::filesystem::path(inTree).parent_path().string())) << path;
    qavo::test::writeFile(inTree, text);
}

void DryRunTest::writes(const std::string &prefix, const std::string &path, const std::string &text)
{
    std::string inTree = tree_->path() + path;
    recorder_.on(prefix, [inTree, text](const std::string &) {
        qavo::test::writeFile(inTree, text);
        return 0;
    });
}

void DryRunTest::settings(std::initializer_list<std::pair<const char *, const char *>> pairs)
{
    for (const auto &[key, value] : pairs)
        set(key, value);
}
