// One request/response exchange in one process: web_getData against the floor of a
// minimal libmosquitto client doing the same connect, subscribe, publish, receive and
// disconnect. Needs a broker on 127.0.0.1:1883 and a module answering pelvanto/router/echo
// (bench/messaging.sh provides both inside the virtual router).
//   bench_messaging_exchange [exchanges]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mosquitto.h>
#include <vector>

#include "qavo/mqtt.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Floor {
    bool done = false;
};

// The least a client can do for one exchange, with the same library and protocol level.
bool floorExchange()
{
    Floor state;
    mosquitto_lib_init();
    mosquitto *m = mosquitto_new("floor", true, &state);
    mosquitto_int_option(m, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V31);
    mosquitto_int_option(m, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_callback_set(
        m, [](mosquitto *c, void *, int) { mosquitto_subscribe(c, nullptr, "pelvanto/router/echo/R", 0); });
    mosquitto_subscribe_callback_set(m, [](mosquitto *c, void *, int, int, const int *) {
        mosquitto_publish(c, nullptr, "pelvanto/router/echo", 4, "ping", 0, false);
    });
    mosquitto_message_callback_set(
        m, [](mosquitto *, void *s, const mosquitto_message *) { static_cast<Floor *>(s)->done = true; });
    bool ok = mosquitto_connect(m, "127.0.0.1", 1883, 60) == MOSQ_ERR_SUCCESS;
    while (ok && !state.done)
        ok = mosquitto_loop(m, 1000, 1) == MOSQ_ERR_SUCCESS;
    mosquitto_disconnect(m);
    mosquitto_destroy(m);
    mosquitto_lib_cleanup();
    return ok;
}

bool qavoExchange()
{
    web_getData(nullptr, "echo", "ping");
    return qvData && strcmp(qvData, "ping") == 0;
}

void measure(const char *name, bool (*exchange)(), int count)
{
    std::vector<double> ms;
    ms.reserve(count);
    auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        auto t = Clock::now();
        if (!exchange()) {
            fprintf(stderr, "%s: exchange %d failed\n", name, i);
            exit(1);
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t).count());
    }
    double total = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(ms.begin(), ms.end());
    printf("%-22s median %.3f ms  p90 %.3f ms  %.0f exchanges/s\n", name, ms[ms.size() / 2], ms[ms.size() * 9 / 10],
           count / total);
}

} // namespace

int main(int argc, char **argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 2000;
    for (int round = 0; round < 2; ++round) { // alternate, so drift hits both alike
        measure("floor (libmosquitto)", floorExchange, count);
        measure("web_getData", qavoExchange, count);
    }
    return 0;
}
