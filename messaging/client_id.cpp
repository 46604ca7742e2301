#include "messaging/client_id.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace qavo::messaging {

char *formatClientId(const char *kind, pid_t pid, const char *hostName)
{
    size_t size = strlen(hostName) + 15;
    auto *id = static_cast<char *>(malloc(size));
    if (!id)
        return nullptr;
    snprintf(id, size, "%s/%d-%s", kind, static_cast<int>(pid), hostName);
    if (strlen(id) > kMaxClientId)
        id[kMaxClientId] = '\0';
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
