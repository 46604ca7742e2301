// Topic suffixes and setting-module requests from outside: the topic text check, the topic
// builder and lock name, and the zero-byte check of request texts, on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "messaging/qavo_sub/request_checks.h"
#include "messaging/topic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    qavo_sub::holdsZeroByte(bytes, size);

    std::string text(bytes, size);
    text = text.c_str();
    size_t fault = qavo::messaging::topicTextFault(text.c_str());
    if (fault > text.size())
        __builtin_trap();
    // Only suffixes the builder accepts, so nothing is reported on standard error (where
    // the fuzzer reports): it must then build the topic whole.
    if (fault != 0 || text.size() + sizeof "pelvanto/router//R" > qavo::messaging::kTopicSize)
        return 0;
    char topic[qavo::messaging::kTopicSize];
    if (!qavo::messaging::routerTopic(topic, text.c_str(), true) || strlen(topic) != text.size() + 18)
        __builtin_trap();
    char name[qavo::messaging::kExchangeLockNameSize];
    qavo::messaging::exchangeLockName(topic, name);
    if (strlen(name) != sizeof name - 1)
        __builtin_trap();
    return 0;
}
