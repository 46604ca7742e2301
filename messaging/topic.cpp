#include "messaging/topic.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "qavo/md5.h"

namespace qavo::messaging {

size_t topicTextFault(const char *text)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text);
    size_t at = 0;
    while (bytes[at]) {
        unsigned char lead = bytes[at];
        // Continuation bytes that follow the lead byte; 4 for a byte that cannot lead.
        size_t extra = lead < 0x80             ? 0
                       : (lead & 0xE0) == 0xC0 ? 1
                       : (lead & 0xF0) == 0xE0 ? 2
                       : (lead & 0xF8) == 0xF0 ? 3
                                               : 4;
        if (extra == 4)
            return at + 1;
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (size_t i = 1; i <= extra; ++i) {
            if ((bytes[at + i] & 0xC0) != 0x80)
                return at + 1;
            code = code << 6 | (bytes[at + i] & 0x3F);
        }
        static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        bool overlong = code < kSmallest[extra];
        bool surrogate = code >= 0xD800 && code <= 0xDFFF;
        bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
        bool nonCharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
        if (overlong || surrogate || control || nonCharacter || code > 0x10FFFF)
            return at + 1;
        at += extra + 1;
    }
    return 0;
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
