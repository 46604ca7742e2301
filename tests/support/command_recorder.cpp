#include "tests/support/command_recorder.h"

#include <cstdlib>

namespace qavo::test {

namespace {
CommandRecorder *active = nullptr;
}

CommandRecorder::CommandRecorder() : previous_(installShellRunner(record))
{
    if (active)
        abort(); // one recorder at a time: a nested one would hide the outer one's commands
    active = this;
}

CommandRecorder::~CommandRecorder()
{
    installShellRunner(previous_);
    active = nullptr;
}

void CommandRecorder::on(const std::string &prefix, Action action)
{
    actions_.emplace_back(prefix, std::move(action));
}

void CommandRecorder::exitWith(const std::string &prefix, int exitCode)
{
    on(prefix, [exitCode](const std::string &) { return exitCode * 256; });
}

void CommandRecorder::clear()
{
    commands_.clear();
    echoes_.clear();
}

int CommandRecorder::record(const char *command, int echo)
{
    active->commands_.emplace_back(command);
    active->echoes_.push_back(echo != 0);
    for (const auto &[prefix, action] : active->actions_) {
        if (active->commands_.back().compare(0, prefix.size(), prefix) == 0)
            return action(active->commands_.back());
    }
    return 0;
}

} // namespace qavo::test
