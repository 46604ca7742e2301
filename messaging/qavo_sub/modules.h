// The setting modules of the example subscriber, each answering one request topic.
#ifndef QAVO_SUB_MODULES_H
#define QAVO_SUB_MODULES_H

#include <cstddef>

struct cJSON;
struct mosquitto;

namespace qavo_sub {

// Answers one request that arrived on topic ("pelvanto/router/<module>") with payload
// (length bytes, followed by a zero byte). Replies go to "<topic>/R"; an unknown module, a
// payload that is not a JSON object or that holds a zero byte (raw or escaped) gets the
// error reply.
void answer(mosquitto *client, const char *topic, const char *module, const char *payload, size_t length);

// Stores the string value of each of the count members in section 0 or, when the store
// fails half-way, puts back what the earlier ones held (in reverse, so a key named twice
// gets its first value back); before holds count entries of room. Nothing is committed.
bool storeAll(cJSON *const *settings, const char **before, int count);

} // namespace qavo_sub

#endif
