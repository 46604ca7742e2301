#include "tests/support/test_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qavo::test {

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

bool makeDirectories(const std::string &path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return !error;
}

std::string partitionTable(const std::string &names)
{
    std::string table = "major minor  #blocks  name\n\n";
    for (size_t start = 0, end; start < names.size(); start = end + 1) {
        end = std::min(names.find(' ', start), names.size());
        table += "   8        1    7812500 " + names.substr(start, end - start) + "\n";
    }
    return table;
}

TempDir::TempDir(const char *prefix)
{
    std::string pattern = "/tmp/" + std::string(prefix) + "-XXXXXX";
    if (mkdtemp(pattern.data()))
        path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

} // namespace qavo::test
