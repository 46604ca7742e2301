// qavo_sub -h <broker host> -t <topic filter>: the example setting-module subscriber.
// Subscribes to the filter, answers every request "pelvanto/router/<module>" through the
// module of that name, and reports the signals the configuration tools send it:
// SIGTSTP (a static WAN came up) and SIGTTIN (disk partitions were found).
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <mosquitto.h>
#include <unistd.h>

#include "messaging/broker.h"
#include "messaging/qavo_sub/modules.h"

namespace {

constexpr char kPrefix[] = "pelvanto/router/";
constexpr size_t kPrefixLength = sizeof kPrefix - 1;

volatile sig_atomic_t wanUp, partitionsFound, stopRequested;

void noteSignal(int signal)
{
    if (signal == SIGTSTP)
        wanUp = 1;
    else if (signal == SIGTTIN)
        partitionsFound = 1;
    else
        stopRequested = 1;
}

void catchSignals()
{
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTSTP, SIGTTIN, SIGTERM, SIGINT})
        sigaction(signal, &action, nullptr);
}

void reportSignals()
{
    if (wanUp) {
        wanUp = 0;
        puts("[qavo_sub] SIGTSTP: the static WAN is up");
    }
    if (partitionsFound) {
        partitionsFound = 0;
        puts("[qavo_sub] SIGTTIN: disk partitions were found");
    }
    fflush(stdout);
}

const char *filter;

void onConnect(mosquitto *client, void *, int result)
{
    if (result == 0)
        mosquitto_subscribe(client, nullptr, filter, 0);
    else
        fprintf(stderr, "qavo_sub: %s\n", mosquitto_connack_string(result));
}

// Requests only: replies ("/R") on the same tree are our own or other modules' answers.
void onMessage(mosquitto *client, void *, const mosquitto_message *message)
{
    const char *topic = message->topic;
    size_t length = strlen(topic);
    if (strncmp(topic, kPrefix, kPrefixLength) != 0 || length == kPrefixLength)
        return;
    if (length >= 2 && strcmp(topic + length - 2, "/R") == 0)
        return;
    const char *payload = message->payload ? static_cast<const char *>(message->payload) : "";
    size_t payloadLength = message->payload && message->payloadlen > 0 ? static_cast<size_t>(message->payloadlen) : 0;
    qavo_sub::answer(client, topic, topic + kPrefixLength, payload, payloadLength);
}

void pause(int seconds)
{
    timespec delay{seconds, 0};
    nanosleep(&delay, nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    const char *host = qavo::messaging::kBrokerHost;
    int option;
    while ((option = getopt(argc, argv, "h:t:")) != -1) {
        if (option == 'h')
            host = optarg;
        else if (option == 't')
            filter = optarg;
        else
            break;
    }
    if (!filter || optind != argc) {
        fputs("usage: qavo_sub [-h broker host] -t topic filter\n", stderr);
        return 2;
    }
    catchSignals();

    mosquitto_lib_init();
    mosquitto *client = mosquitto_new(nullptr, true, nullptr);
    if (!client) {
        fputs("qavo_sub: cannot create the MQTT client\n", stderr);
        return 1;
    }
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V31);
    mosquitto_int_option(client, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_callback_set(client, onConnect);
    mosquitto_message_callback_set(client, onMessage);

    // The broker may start after us: keep trying once a second.
    bool connected = mosquitto_connect(client, host, qavo::messaging::kBrokerPort,
                                       qavo::messaging::kKeepaliveSeconds) == MOSQ_ERR_SUCCESS;
    while (!stopRequested) {
        reportSignals();
        if (!connected) {
            pause(1);
            connected = mosquitto_reconnect(client) == MOSQ_ERR_SUCCESS;
            continue;
        }
        if (mosquitto_loop(client, 1000, 1) != MOSQ_ERR_SUCCESS)
            connected = false;
    }
    mosquitto_disconnect(client);
    mosquitto_destroy(client);
    mosquitto_lib_cleanup();
    return 0;
}
