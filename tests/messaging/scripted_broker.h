// A scripted MQTT 3.1 broker on a loopback port, for the client's failure paths that a
// real broker will not produce on demand. It records each CONNECT it receives.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedBroker {
public:
    enum class Script {
        AnswerRequests,   // CONNACK 0, SUBACK, and each PUBLISH delivered back, then answered with
                          // `reply` on "<topic>/R"
        NeverAcknowledge, // CONNACK 0, but never a SUBACK
        RefuseAll,        // CONNACK with return code 5 (not authorised) to every connection
        HostileAnswers,   // as AnswerRequests, but right after the SUBACK a retained message
                          // "retained" on the subscribed topic and "elsewhere" on another one
    };

    explicit ScriptedBroker(Script script, std::string reply = "");
    ~ScriptedBroker();

    int port() const { return port_; }
    int connections() const { return connections_; }
    // Raw bytes of the first CONNECT packet, fixed header included.
    std::string firstConnect();

private:
    void serve();
    void session(int fd);

    Script script_;
    std::string reply_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::mutex mutex_;
    std::string firstConnect_;
    std::thread thread_;
};
