// The status probes' readers of the PHY tool's and iwconfig's output on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "lib/probe_output.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    if (text.empty())
        return 0; // fmemopen refuses an empty buffer
    for (auto read : {qavo::probe::phyLink, qavo::probe::associated}) {
        FILE *stream = fmemopen(text.data(), text.size(), "r");
        if (!stream)
            return 0;
        read(stream);
        fclose(stream);
    }
    return 0;
}
