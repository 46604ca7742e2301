// Topics under the router prefix: "pelvanto/router/<suffix>", replies with "/R" appended.
#ifndef QAVO_MESSAGING_TOPIC_H
#define QAVO_MESSAGING_TOPIC_H

#include <cstddef>

namespace qavo::messaging {

// Topics are built in 256-byte buffers: at most 255 characters.
constexpr size_t kTopicSize = 256;

// 0 when text is what MQTT takes as topic text: well-formed UTF-8 (no overlong forms, no
// surrogates) without control characters (U+0001-U+001F, U+007F-U+009F) or
// non-characters. Otherwise the 1-based position of the first byte at fault.
size_t topicTextFault(const char *text);

// Writes "pelvanto/router/<suffix>" (with "/R" appended when reply is true) into out.
// Refuses, with a message on standard error, a null suffix, a suffix that is not topic
// text (above) and a topic that would not fit: out is then "" and the result false.
// Nothing is ever cut.
// Wildcards pass: a publisher leaves them to the library, which refuses the publish.
bool routerTopic(char (&out)[kTopicSize], const char *suffix, bool reply);

// Name of the lock that keeps exchanges on one request topic one at a time across
// processes: "qavo-mqtt-" and the topic's MD5 digest in hexadecimal (any topic, always a
// valid file name).
constexpr size_t kExchangeLockNameSize = 43;
void exchangeLockName(const char *requestTopic, char (&out)[kExchangeLockNameSize]);

// True, after a message on standard error, when suffix holds "+" or "#": a request with
// such a suffix could be neither published nor answered on its reply topic.
bool holdsWildcard(const char *suffix);

} // namespace qavo::messaging

#endif
