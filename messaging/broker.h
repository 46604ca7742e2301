// Where the router's clients find the local broker, named once: the loopback address,
// the MQTT port, and the keep-alive every client asks for.
#ifndef QAVO_MESSAGING_BROKER_H
#define QAVO_MESSAGING_BROKER_H

namespace qavo::messaging {

constexpr const char *kBrokerHost = "127.0.0.1";
constexpr int kBrokerPort = 1883;
constexpr int kKeepaliveSeconds = 60;

} // namespace qavo::messaging

#endif
