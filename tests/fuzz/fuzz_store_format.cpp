// The store's file parser on arbitrary text, under both seal rules. A text it accepts
// must survive a round trip: formatted again (sealed), it parses to the same settings.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/nvram/store_format.h"

using qavo::nvram::ByteBuffer;
using qavo::nvram::EntryTable;
using qavo::nvram::SealRule;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view text(reinterpret_cast<const char *>(data), size);
    for (SealRule rule : {SealRule::Required, SealRule::Optional}) {
        EntryTable parsed;
        if (qavo::nvram::parseStore(text, rule, parsed).damage) {
            if (parsed.size() != 0)
                __builtin_trap(); // damage leaves the table empty
            continue;
        }
        ByteBuffer sealed;
        if (!qavo::nvram::formatStore(parsed, sealed))
            __builtin_trap();
        EntryTable again;
        if (qavo::nvram::parseStore(sealed.view(), SealRule::Required, again).damage || again.size() != parsed.size())
            __builtin_trap();
        for (const auto &entry : parsed) {
            const auto *found = again.find(entry.key);
            if (!found || strcmp(found->value, entry.value) != 0)
                __builtin_trap();
        }
        parsed.freeBlocks();
        again.freeBlocks();
    }
    return 0;
}
