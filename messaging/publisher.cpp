// One-shot publishing: connect, publish once, disconnect.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mosquitto.h>

#include "lib/error_text.h"
#include "messaging/broker.h"
#include "messaging/client.h"
#include "messaging/topic.h"
#include "qavo/mqtt.h"

using qavo::messaging::Client;
using qavo::messaging::LibraryUse;

qavo_publication upd;

namespace {

constexpr int kMaxInflight = 20;

void reportPublishError(int result)
{
    switch (result) {
    case MOSQ_ERR_NOMEM:
        fputs("Error: Out of memory when trying to publish message.\n", stderr);
        break;
    case MOSQ_ERR_PROTOCOL:
        fputs("Error: Protocol error when communicating with broker.\n", stderr);
        break;
    case MOSQ_ERR_INVAL:
        fputs("Error: Invalid input. Does your topic contain '+' or '#'?\n", stderr);
        break;
    case MOSQ_ERR_NO_CONN:
        fputs("Error: Client not connected when trying to publish.\n", stderr);
        break;
    case MOSQ_ERR_PAYLOAD_SIZE:
        fputs("Error: Message payload is too large.\n", stderr);
        break;
    default:
        break;
    }
}

void reportConnectError(int result)
{
    if (result == MOSQ_ERR_ERRNO) {
        char text[1024];
        fprintf(stderr, "Error: %s\n", qavo::errorText(errno, text));
    } else {
        fprintf(stderr, "Unable to connect (%d).\n", result);
    }
}

} // namespace

extern "C" void pub_print_usage(void)
{
    puts("pub_msg: publishes one message on an MQTT topic and disconnects.\n"
         "Usage: pub_msg(host, topic, payload)\n"
         " host    broker host name or address (port 1883, keepalive 60 seconds)\n"
         " topic   full topic to publish on, without '+' or '#'\n"
         " payload message text, sent without its terminating zero (QoS 0, not retained)");
}

extern "C" void pub_connect_callback(mosquitto *client, void *, int result)
{
    if (result != 0) {
        fprintf(stderr, "%s\n", mosquitto_connack_string(result));
        return;
    }
    int rc =
        mosquitto_publish(client, &upd.publish_mid, upd.topic, upd.payload_length, upd.payload, upd.qos, upd.retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        reportPublishError(rc);
        mosquitto_disconnect(client);
    }
}

extern "C" void pub_publish_callback(mosquitto *client, void *, int mid)
{
    upd.last_sent_mid = mid;
    if (!upd.disconnect_requested) {
        mosquitto_disconnect(client);
        upd.disconnect_requested = true;
    }
}

extern "C" void pub_disconnect_callback(mosquitto *, void *, int)
{
    upd.connected = false;
}

extern "C" int pub_msg(const char *host, const char *topic, const char *payload)
{
    if (!payload)
        payload = "";
    upd = qavo_publication{topic, payload, static_cast<int>(strlen(payload)), 0, false, 0, -1, true, false};
    if (!topic) {
        fputs("Error: Both topic and message must be supplied.\n", stderr);
        pub_print_usage();
        return 1;
    }
    if (size_t fault = qavo::messaging::topicTextFault(topic)) {
        fprintf(stderr, "Error: Topic is not UTF-8 text without control characters (byte %zu).\n", fault);
        return 1;
    }

    LibraryUse library;
    Client client(qavo::messaging::newClient("mosqpub", nullptr));
    if (!client)
        return 1;
    mosquitto_max_inflight_messages_set(client.get(), kMaxInflight);
    mosquitto_connect_callback_set(client.get(), pub_connect_callback);
    mosquitto_disconnect_callback_set(client.get(), pub_disconnect_callback);
    mosquitto_publish_callback_set(client.get(), pub_publish_callback);

    int rc = mosquitto_connect_bind(client.get(), host, qavo::messaging::kBrokerPort,
                                    qavo::messaging::kKeepaliveSeconds, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        reportConnectError(rc);
        return rc;
    }
    do
        rc = mosquitto_loop(client.get(), -1, 1);
    while (rc == MOSQ_ERR_SUCCESS && upd.connected);
    if (rc != MOSQ_ERR_SUCCESS)
        fprintf(stderr, "Error: %s\n", mosquitto_strerror(rc));
    return rc;
}

extern "C" int qv_pub(const char *host, const char *suffix, const char *payload)
{
    char topic[qavo::messaging::kTopicSize];
    if (qavo::messaging::routerTopic(topic, suffix, false))
        pub_msg(host, topic, payload);
    return 0;
}

extern "C" int qavo_local_pub(mosquitto *client, const char *suffix, const char *payload)
{
    char topic[qavo::messaging::kTopicSize];
    if (!payload)
        payload = "";
    if (qavo::messaging::routerTopic(topic, suffix, false))
        mosquitto_publish(client, nullptr, topic, static_cast<int>(strlen(payload)), payload, 0, false);
    return 0;
}
