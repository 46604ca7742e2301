// qavo_webreq <suffix> <payload>: one web request through the broker, as the web front
// end makes it; prints the reply text. Exit 0 for a reply, 1 for a time-out or no reply.
#include <cstdio>
#include <cstring>

#include "qavo/mqtt.h"

int main(int argc, char **argv)
{
    if (argc != 3) {
        fputs("usage: qavo_webreq <topic suffix> <request payload>\n", stderr);
        return 2;
    }
    web_getData(nullptr, argv[1], argv[2]);
    if (!qvData) {
        puts("(no reply: broker not reachable)");
        return 1;
    }
    puts(qvData);
    return strcmp(qvData, "{\"error\":\"timeout\"}") == 0 ? 1 : 0;
}
