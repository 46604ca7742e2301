// Running a configuration tool's driver or a command handler in a unit test, and
// building expected command lists.
#ifndef QAVO_TESTS_TOOL_RUN_H
#define QAVO_TESTS_TOOL_RUN_H

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace qavo::test {

using Lines = std::vector<std::string>;

// The parts one after the other.
inline Lines concat(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct ToolRun {
    int status;
    std::string out;
};

// Runs a driver as "<program> <args...>" and captures its standard output.
inline ToolRun runTool(int (*driver)(int, char **), const char *program, std::vector<std::string> args)
{
    args.insert(args.begin(), program);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    int status = driver(static_cast<int>(args.size()), argv.data());
    fflush(stdout);
    return {status, testing::internal::GetCapturedStdout()};
}

// Calls a command handler with a zeroed message buffer, capturing both output streams.
struct HandlerRun {
    int result;
    std::string out;
    std::string err;
};

inline HandlerRun runHandler(int (*handler)(int, char *), int platform)
{
    char message[64] = {};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int result = handler(platform, message);
    fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    return {result, out, testing::internal::GetCapturedStderr()};
}

} // namespace qavo::test

#endif
