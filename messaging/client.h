// What the short-lived clients share: library use for the length of one operation, and
// client creation speaking MQTT 3.1 under a "<kind>/<pid>-<host>" identifier.
#ifndef QAVO_MESSAGING_CLIENT_H
#define QAVO_MESSAGING_CLIENT_H

#include <mosquitto.h>

namespace qavo::messaging {

// mosquitto_lib_init for the life of the holder, mosquitto_lib_cleanup at its end.
class LibraryUse {
public:
    LibraryUse() { mosquitto_lib_init(); }
    ~LibraryUse() { mosquitto_lib_cleanup(); }
    LibraryUse(const LibraryUse &) = delete;
    LibraryUse &operator=(const LibraryUse &) = delete;
};

// Owns one client and destroys it.
class Client {
public:
    explicit Client(mosquitto *client) : client_(client) {}
    ~Client() { mosquitto_destroy(client_); }
    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;
    mosquitto *get() const { return client_; }
    explicit operator bool() const { return client_ != nullptr; }

private:
    mosquitto *client_;
};

// A clean-session client with identifier kind/<pid>-<host>, set to MQTT 3.1 ("MQIsdp",
// level 3), sending small packets at once (TCP_NODELAY). On failure prints "Error: Out of memory." or "Error: Invalid id." on standard
// error as the cause was and returns null.
mosquitto *newClient(const char *kind, void *userdata);

} // namespace qavo::messaging

#endif
