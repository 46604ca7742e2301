#include "messaging/topic.h"

#include <cstdio>
#include <cstring>

#include "lib/validate.h"
#include "qavo/md5.h"

namespace qavo::messaging {

size_t topicTextFault(const char *text)
{
    return validate::textFault(text);
}

bool routerTopic(char (&out)[kTopicSize], const char *suffix, bool reply)
{
    out[0] = '\0';
    if (!suffix) {
        fputs("Error: No topic suffix given.\n", stderr);
        return false;
    }
    if (size_t fault = topicTextFault(suffix)) {
        fprintf(stderr,
                "Error: Topic suffix is not UTF-8 text without control characters (byte %zu); nothing was sent.\n",
                fault);
        return false;
    }
    int length = snprintf(out, kTopicSize, reply ? "pelvanto/router/%s/R" : "pelvanto/router/%s", suffix);
    if (length < 0 || static_cast<size_t>(length) >= kTopicSize) {
        out[0] = '\0';
        fprintf(stderr, "Error: Topic for suffix '%.40s...' is longer than %zu characters; nothing was sent.\n", suffix,
                kTopicSize - 1);
        return false;
    }
    return true;
}

void exchangeLockName(const char *requestTopic, char (&out)[kExchangeLockNameSize])
{
    MD5Context context;
    MD5Init(&context);
    MD5Update(&context, reinterpret_cast<const unsigned char *>(requestTopic), strlen(requestTopic));
    unsigned char digest[16];
    MD5Final(digest, &context);
    int at = snprintf(out, sizeof out, "qavo-mqtt-");
    for (unsigned char byte : digest)
        at += snprintf(out + at, sizeof out - static_cast<size_t>(at), "%02x", byte);
}

bool holdsWildcard(const char *suffix)
{
    if (!suffix || !strpbrk(suffix, "+#"))
        return false;
    fprintf(stderr, "Error: Topic suffix '%s' holds an MQTT wildcard ('+' or '#'); nothing was sent.\n", suffix);
    return true;
}

} // namespace qavo::messaging
