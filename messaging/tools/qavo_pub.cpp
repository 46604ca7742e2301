// qavo_pub <host> <suffix> <payload>: publishes one message on pelvanto/router/<suffix>.
#include <cstdio>

#include "qavo/mqtt.h"

int main(int argc, char **argv)
{
    if (argc != 4) {
        fputs("usage: qavo_pub <broker host> <topic suffix> <payload>\n", stderr);
        return 2;
    }
    return qv_pub(argv[1], argv[2], argv[3]);
}
