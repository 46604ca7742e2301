// What the two configuration tools' command-line drivers share: the platform table,
// bounded word matching, the handler contract and the run with its error line.
#ifndef QAVO_LIB_TOOL_DRIVER_H
#define QAVO_LIB_TOOL_DRIVER_H

#include <cstddef>

namespace qavo::tool {

// Size of the message buffer the driver zero-fills; a failed handler leaves a text in it.
constexpr size_t kMessageSize = 64;

// A command handler: (platform code, message buffer) -> non-zero for success, 0 for failure.
using Handler = int (*)(int platform, char *message);

// A command word and its handler. Matching compares `compared` characters with strncmp:
// where that equals the word's length any argument beginning with the word matches;
// where it is longer the word's terminating NUL takes part and only the exact word does.
struct Command {
    const char *word;
    size_t compared;
    Handler handler;
};

// Exit status after a failed handler: the handlers' success value is 1, so failure gets
// a status of its own that callers can tell from it.
constexpr int kFailureStatus = 2;

// Platform code (2 to 7) of the first platform word that matches the argument as a
// prefix, in table order; 0 when none does.
int findPlatform(const char *word);

// Handler of the first command that matches the argument, in table order, or nullptr.
Handler findCommand(const Command *commands, size_t count, const char *word);

// One tool's words and usage text.
struct Tool {
    const Command *commands;
    size_t count;
    void (*printUsage)();
};

// Whole run of "<tool> <platform> <command>": the usage text and 0 for a wrong argument
// count or an unknown word; the handler's result when non-zero; after a result of 0 the
// error line "\r\n error msg=<message>" and kFailureStatus.
int run(const Tool &tool, int argc, char **argv);

} // namespace qavo::tool

#endif
