// The readers of kernel tables and resolver files on arbitrary text. The first byte
// chooses the reader's argument; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "lib/proc_tables.h"

namespace {

template <typename Read>
void onStream(std::string &text, Read read)
{
    FILE *stream = fmemopen(text.data(), text.size(), "r");
    if (!stream)
        return;
    read(stream);
    fclose(stream);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    int choice = data[0];
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    if (text.empty())
        return 0; // fmemopen refuses an empty buffer
    char out[18];
    onStream(text, [&](FILE *s) { qavo::proc::deviceListed(s, "eth2.2"); });
    onStream(text,
             [&](FILE *s) { qavo::proc::arpAnswer(s, "10.0.0.1", qavo::proc::ArpKey::IpAddress, out, sizeof out); });
    onStream(text, [&](FILE *s) {
        qavo::proc::arpAnswer(s, "00:11:22:33:44:55", qavo::proc::ArpKey::HardwareAddress, out, 16);
    });
    onStream(text, [&](FILE *s) { qavo::proc::defaultGateway(s, out, 16); });
    onStream(text, [&](FILE *s) { qavo::proc::nthNameserver(s, choice % 5 - 1, out, 16); });
    onStream(text, [&](FILE *s) { qavo::proc::factoryPartition(s); });
    qavo::proc::flashSizeMiB(std::string_view(text).substr(0, 1023));
    return 0;
}
