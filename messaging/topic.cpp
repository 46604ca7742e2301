#include "messaging/topic.h"

#include <cstdio>
#include <cstring>

namespace qavo::messaging {

bool routerTopic(char (&out)[kTopicSize], const char *suffix, bool reply)
{
    out[0] = '\0';
    if (!suffix) {
        fputs("Error: No topic suffix given.\n", stderr);
        return false;
    }
    int length = snprintf(out, kTopicSize, reply ? "pelvanto/router/%s/R" : "pelvanto/router/%s", suffix);
    if (length < 0 || static_cast<size_t>(length) >= kTopicSize) {
        out[0] = '\0';
        fprintf(stderr, "Error: Topic for suffix '%.40s...' is longer than %zu characters; nothing was sent.\n",
                suffix, kTopicSize - 1);
        return false;
    }
    return true;
}

bool holdsWildcard(const char *suffix)
{
    if (!suffix || !strpbrk(suffix, "+#"))
        return false;
    fprintf(stderr, "Error: Topic suffix '%s' holds an MQTT wildcard ('+' or '#'); nothing was sent.\n", suffix);
    return true;
}

} // namespace qavo::messaging
