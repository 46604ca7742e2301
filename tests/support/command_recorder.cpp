#include "tests/support/command_recorder.h"

#include <cstdlib>

namespace qavo::test {

namespace {
CommandRecorder *active = nullptr;
}

CommandRecorder::CommandRecorder() : previous_(sys::installRunner({record, recordRead, fclose}))
{
    if (active)
        abort(); // one recorder at a time: a nested one would hide the outer one's commands
    active = this;
}

CommandRecorder::~CommandRecorder()
{
    sys::installRunner(previous_);
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

void CommandRecorder::answer(const std::string &prefix, Output output)
{
    outputs_.emplace_back(prefix, std::move(output));
}

void CommandRecorder::clear()
{
    commands_.clear();
    echoes_.clear();
    reads_.clear();
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

FILE *CommandRecorder::recordRead(const char *command)
{
    active->reads_.emplace_back(command);
    std::optional<std::string> text = "";
    for (const auto &[prefix, output] : active->outputs_) {
        if (active->reads_.back().compare(0, prefix.size(), prefix) == 0) {
            text = output(active->reads_.back());
            break;
        }
    }
    if (!text)
        return nullptr;
    FILE *stream = tmpfile();
    if (stream && (fwrite(text->data(), 1, text->size(), stream) != text->size() || fseek(stream, 0, SEEK_SET) != 0)) {
        fclose(stream);
        return nullptr;
    }
    return stream;
}

} // namespace qavo::test
