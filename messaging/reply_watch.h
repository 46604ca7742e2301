// Which message on a request's two topics is the module's answer to it.
//
// A reply carries nothing that names its request, and the broker cannot tell a module
// from any other client, so only the order in which the broker delivers can. Subscribed
// to the request topic as well as the reply topic, the requester sees every request and
// reply of the module's topic in the broker's order, its own request included. A module
// answers its requests one at a time in the order it received them, so the answer to ours
// is the first reply after our own request came back, when nothing else was on the two
// topics from the subscription on. Other traffic makes the answer impossible to tell:
// the exchange is then refused instead of taking someone else's reply.
#ifndef QAVO_MESSAGING_REPLY_WATCH_H
#define QAVO_MESSAGING_REPLY_WATCH_H

#include <string_view>

namespace qavo::messaging {

class ReplyWatch {
public:
    enum class Verdict {
        Wait,      // nothing decided yet
        Reply,     // this message is the answer to our request
        Busy,      // other traffic before our request went out: it must not go out
        Ambiguous, // other traffic around our request: its answer cannot be told
    };

    // payload: our request's, kept by the caller for the watch's life.
    explicit ReplyWatch(std::string_view payload) : payload_(payload) {}

    // A new subscription: the request has not gone out (again) yet.
    void restart() { sent_ = copySeen_ = false; }
    void sent() { sent_ = true; }
    // A live (not retained) message on the request topic, or on the reply topic.
    Verdict request(std::string_view payload);
    Verdict reply() const;

private:
    std::string_view payload_;
    bool sent_ = false;
    bool copySeen_ = false; // our request came back from the broker
};

} // namespace qavo::messaging

#endif
