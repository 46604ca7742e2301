// qavo_pub <host> <suffix> <payload>: publishes one message on pelvanto/router/<suffix>.
// Exit 0 when it was handed to the broker, 1 when the suffix was refused or the
// publication failed (the reason is on standard error).
#include <cstdio>

#include "messaging/topic.h"
#include "qavo/mqtt.h"

int main(int argc, char **argv)
{
    if (argc != 4) {
        fputs("usage: qavo_pub <broker host> <topic suffix> <payload>\n", stderr);
        return 2;
    }
    char topic[qavo::messaging::kTopicSize];
    if (!qavo::messaging::routerTopic(topic, argv[2], false))
        return 1;
    return pub_msg(argv[1], topic, argv[3]) == 0 ? 0 : 1;
}
