// Topic suffixes and setting-module requests from outside: the topic text check, the topic
// builder and lock name, and the zero-byte check of request texts, on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "messaging/qavo_sub/request_checks.h"
#include "messaging/topic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Refusals are reported on standard error; keep the run quiet.
    static FILE *quiet = freopen("/dev/null", "w", stderr);
    (void)quiet;
    const char *bytes = reinterpret_cast<const char *>(data);
    qavo_sub::holdsZeroByte(bytes, size);

    std::string text(bytes, size);
    text = text.c_str();
    size_t fault = qavo::messaging::topicTextFault(text.c_str());
    if (fault > text.size())
        __builtin_trap();
    char topic[qavo::messaging::kTopicSize];
    bool built = qavo::messaging::routerTopic(topic, text.c_str(), true);
    if (built && (fault != 0 || strlen(topic) >= sizeof topic))
        __builtin_trap();
    if (built) {
        char name[qavo::messaging::kExchangeLockNameSize];
        qavo::messaging::exchangeLockName(topic, name);
        if (strlen(name) != sizeof name - 1)
            __builtin_trap();
    }
    return 0;
}
