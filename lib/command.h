// Formats a command line through the quoting rules and runs it with QavoSystem.
#ifndef QAVO_LIB_COMMAND_H
#define QAVO_LIB_COMMAND_H

#include "lib/quote.h"
#include "qavo/runner.h"

namespace qavo {

// Command buffer sizes, each named once: most steps build their command in 256 bytes; the
// LAN and WAN bring-up in 128; PHY, LED, EEPROM and probe commands in 64.
constexpr size_t kCommandSize = 256;
constexpr size_t kShortCommandSize = 128;
constexpr size_t kSmallCommandSize = 64;

// Runs format filled with values in a command buffer of BufferSize bytes (the size the
// calling step allows). A refused value or a line that would not fit runs nothing and
// returns -1; the reason is on standard error.
template <size_t BufferSize, size_t N>
int runCommand(int echo, const char (&format)[N], std::initializer_list<quote::Value> values = {})
{
    char line[BufferSize];
    if (!quote::format(quote::Syntax::Shell, line, format, values))
        return -1;
    return QavoSystem(line, echo);
}

} // namespace qavo

#endif
