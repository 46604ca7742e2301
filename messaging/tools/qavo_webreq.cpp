// qavo_webreq <suffix> <payload>: one web request through the broker, as the web front
// end makes it; prints the reply text. Exit 0 for a reply, 1 for none: broker not
// reachable, or the requester's own outcomes, objects holding only "error" (time-out,
// busy, ambiguous).
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
    return strncmp(qvData, "{\"error\":\"", 10) == 0 ? 1 : 0;
}
