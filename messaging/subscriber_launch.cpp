// Starts the setting-module subscriber in the background.
#include <cstdio>

#include "lib/quote.h"
#include "qavo/mqtt.h"
#include "qavo/runner.h"

extern "C" int qv_sub(const char *host, const char *suffix)
{
    namespace quote = qavo::quote;
    if (!host || !*host || !suffix) {
        fputs("Error: qavo_sub needs a broker host and a topic suffix; not started.\n", stderr);
        return -1;
    }
    char command[256];
    if (!quote::format(quote::Syntax::Shell, command, "qavo_sub -h %s -t pelvanto/router/%s &",
                       {quote::text("broker host", host), quote::text("topic suffix", suffix)}))
        return -1;
    return QavoSystem(command, 0);
}
