#include "messaging/client.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "messaging/client_id.h"

namespace qavo::messaging {

mosquitto *newClient(const char *kind, void *userdata)
{
    char *id = newClientId(kind);
    if (!id) {
        fputs("Error: Out of memory.\n", stderr);
        return nullptr;
    }
    errno = 0;
    mosquitto *client = mosquitto_new(id, true, userdata);
    int cause = errno;
    free(id);
    if (!client) {
        if (cause == ENOMEM)
            fputs("Error: Out of memory.\n", stderr);
        else if (cause == EINVAL)
            fputs("Error: Invalid id.\n", stderr);
        return nullptr;
    }
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V31);
    mosquitto_int_option(client, MOSQ_OPT_TCP_NODELAY, 1);
    return client;
}

} // namespace qavo::messaging
