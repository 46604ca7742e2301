// Topics under the router prefix: "pelvanto/router/<suffix>", replies with "/R" appended.
#ifndef QAVO_MESSAGING_TOPIC_H
#define QAVO_MESSAGING_TOPIC_H

#include <cstddef>

namespace qavo::messaging {

// Topics are built in 256-byte buffers: at most 255 characters.
constexpr size_t kTopicSize = 256;

// Writes "pelvanto/router/<suffix>" (with "/R" appended when reply is true) into out.
// Refuses, with a message on standard error naming the suffix, a null suffix and a topic
// that would not fit: out is then "" and the result false. Nothing is ever cut.
// Wildcards pass: a publisher leaves them to the library, which refuses the publish.
bool routerTopic(char (&out)[kTopicSize], const char *suffix, bool reply);

// True, after a message on standard error, when suffix holds "+" or "#": a request with
// such a suffix could be neither published nor answered on its reply topic.
bool holdsWildcard(const char *suffix);

} // namespace qavo::messaging

#endif
