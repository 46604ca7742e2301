// The setting modules of the example subscriber, each answering one request topic.
#ifndef QAVO_SUB_MODULES_H
#define QAVO_SUB_MODULES_H

struct mosquitto;

namespace qavo_sub {

// Answers one request that arrived on topic ("pelvanto/router/<module>") with payload
// (a zero-terminated text). Replies go to "<topic>/R"; an unknown module or a payload that
// is not a JSON object gets the error reply.
void answer(mosquitto *client, const char *topic, const char *module, const char *payload);

} // namespace qavo_sub

#endif
