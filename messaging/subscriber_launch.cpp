// Starts the setting-module subscriber in the background.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/quote.h"
#include "qavo/mqtt.h"

extern "C" int qv_sub(const char *host, const char *suffix)
{
    namespace quote = qavo::quote;
    if (!host || !*host || !suffix) {
        fputs("Error: qavo_sub needs a broker host and a topic suffix; not started.\n", stderr);
        return -1;
    }
    char command[256];
    // The whole tree, as the boot asks for it: "#" inside a word is literal for the shell,
    // so the command keeps its usual form. Any other suffix is quoted where it needs it.
    bool ok = strcmp(suffix, "#") == 0
                  ? quote::format(quote::Syntax::Shell, command, "qavo_sub -h %s -t pelvanto/router/# &",
                                  {quote::text("broker host", host)})
                  : quote::format(quote::Syntax::Shell, command, "qavo_sub -h %s -t pelvanto/router/%s &",
                                  {quote::text("broker host", host), quote::text("topic suffix", suffix)});
    return ok ? system(command) : -1;
}
