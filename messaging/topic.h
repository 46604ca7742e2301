// Topics under the router prefix: "pelvanto/router/<suffix>", replies with "/R" appended.
#ifndef QAVO_MESSAGING_TOPIC_H
#define QAVO_MESSAGING_TOPIC_H

#include <cstddef>

namespace qavo::messaging {

// Topics are built in 256-byte buffers: at most 255 characters.
constexpr size_t kTopicSize = 256;

// Writes "pelvanto/router/<suffix>" (with "/R" appended when reply is true) into out.
// Refuses, with a message on standard error naming the suffix, a null suffix, one with
// "+" or "#" (the topic is published on or replied to), and a topic that would
// not fit: out is then "" and the result false. Nothing is ever cut.
bool routerTopic(char (&out)[kTopicSize], const char *suffix, bool reply);

} // namespace qavo::messaging

#endif
