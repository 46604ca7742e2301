// A dry-run shell for unit tests: while a CommandRecorder lives, every command line the
// code under test hands to QavoSystem is recorded instead of run, so a tool's command
// sequence (texts, order, echo, what a refusal skips) is checked without root, on the
// host and under qemu.
#ifndef QAVO_TESTS_COMMAND_RECORDER_H
#define QAVO_TESTS_COMMAND_RECORDER_H

#include <functional>
#include <string>
#include <vector>

#include "lib/shell_runner.h"

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

    // Every command line so far, in order.
    const std::vector<std::string> &commands() const { return commands_; }
    // The echo flag each of those was run with.
    const std::vector<bool> &echoes() const { return echoes_; }
    void clear();

private:
    static int record(const char *command, int echo);

    std::vector<std::string> commands_;
    std::vector<bool> echoes_;
    std::vector<std::pair<std::string, Action>> actions_;
    ShellRunner previous_;
};

} // namespace qavo::test

#endif
