// File helpers shared by the unit tests.
#ifndef QAVO_TESTS_TEST_FILES_H
#define QAVO_TESTS_TEST_FILES_H

#include <string>

namespace qavo::test {

// Whole content of a file, "" when it cannot be read.
std::string readFile(const std::string &path);
void writeFile(const std::string &path, const std::string &text);
// Makes the directory and every missing parent; false when it cannot.
bool makeDirectories(const std::string &path);
// A /proc/partitions text listing the blank-separated partition names.
std::string partitionTable(const std::string &names);

// A fresh directory under /tmp, removed with everything in it at the end of the scope.
class TempDir {
public:
    explicit TempDir(const char *prefix = "qavo-test");
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string operator/(const std::string &leaf) const { return path_ + "/" + leaf; }

private:
    std::string path_;
};

} // namespace qavo::test

#endif
