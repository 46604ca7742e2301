// A dry-run shell for unit tests: while a CommandRecorder lives, every command line the
// code under test runs (QavoSystem) or reads the output of (lib/system.h) is recorded
// instead of run, so a tool's command sequence (texts, order, echo, what a refusal skips)
// is checked without root, on the host and under qemu.
#ifndef QAVO_TESTS_COMMAND_RECORDER_H
#define QAVO_TESTS_COMMAND_RECORDER_H

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "lib/system.h"

namespace qavo::test {

class CommandRecorder {
public:
    // What a command does in the dry run; returns its raw wait status (exit code N is N * 256).
    using Action = std::function<int(const std::string &command)>;

    CommandRecorder();
    ~CommandRecorder();
    CommandRecorder(const CommandRecorder &) = delete;
    CommandRecorder &operator=(const CommandRecorder &) = delete;

    // Commands that begin with prefix run action (the first matching prefix, in the order
    // given); every other command "succeeds" with status 0.
    void on(const std::string &prefix, Action action);
    // Shorthand: commands that begin with prefix exit with exitCode.
    void exitWith(const std::string &prefix, int exitCode);

    // What a command read for its output prints; nullopt when it cannot be started.
    using Output = std::function<std::optional<std::string>(const std::string &command)>;
    // Reads of commands that begin with prefix get output's text (the first matching
    // prefix); every other read gets empty output.
    void answer(const std::string &prefix, Output output);

    // Every command line so far, in order.
    const std::vector<std::string> &commands() const { return commands_; }
    // The echo flag each of those was run with.
    const std::vector<bool> &echoes() const { return echoes_; }
    // Every command line read for its output so far, in order.
    const std::vector<std::string> &reads() const { return reads_; }
    void clear();

private:
    static int record(const char *command, int echo);
    static FILE *recordRead(const char *command);

    std::vector<std::string> commands_;
    std::vector<bool> echoes_;
    std::vector<std::string> reads_;
    std::vector<std::pair<std::string, Action>> actions_;
    std::vector<std::pair<std::string, Output>> outputs_;
    sys::Runner previous_;
};

} // namespace qavo::test

#endif
