#include "messaging/client_id.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace qavo::messaging {

namespace {

// A cut may split a multi-byte UTF-8 character of the host name, and the library refuses
// an identifier that is not valid UTF-8: drop the first bytes of such a character.
void dropSplitCharacter(char *id)
{
    size_t end = strlen(id);
    size_t lead = end;
    while (lead > 0 && (static_cast<unsigned char>(id[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead == 0)
        return;
    auto first = static_cast<unsigned char>(id[lead - 1]);
    size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    if (end - (lead - 1) < length)
        id[lead - 1] = '\0';
}

} // namespace

char *formatClientId(const char *kind, pid_t pid, const char *hostName)
{
    size_t size = strlen(hostName) + 15;
    auto *id = static_cast<char *>(malloc(size));
    if (!id)
        return nullptr;
    int whole = snprintf(id, size, "%s/%d-%s", kind, static_cast<int>(pid), hostName);
    if (strlen(id) > kMaxClientId)
        id[kMaxClientId] = '\0';
    if (whole < 0 || strlen(id) < static_cast<size_t>(whole))
        dropSplitCharacter(id);
    return id;
}

char *newClientId(const char *kind)
{
    char hostName[256] = "";
    gethostname(hostName, sizeof hostName);
    hostName[sizeof hostName - 1] = '\0';
    return formatClientId(kind, getpid(), hostName);
}

} // namespace qavo::messaging
