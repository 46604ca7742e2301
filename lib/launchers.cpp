// Launchers that start the platform's configuration tools in the background.
#include <cstdio>

#include "lib/command.h"

namespace {

template <size_t N>
int launch(const char (&format)[N], const char *word)
{
    if (!word) {
        fputs("Error: no command word for the tool; nothing started\n", stderr);
        return -1;
    }
    return qavo::runCommand<qavo::kCommandSize>(0, format, {qavo::quote::text("command word", word)});
}

} // namespace

extern "C" int setWiFiOmbix(const char *word)
{
    return launch("ombix_wificonfig mtk7620 %s &", word);
}
extern "C" int setNetworkOmbix(const char *word)
{
    return launch("ombix_networkconfig mtk7620 %s &", word);
}
extern "C" int setFWOmbix(const char *word)
{
    return launch("ombix_firewallconfig mtk7620 %s &", word);
}
extern "C" int setUsbOmbix(const char *word)
{
    return launch("ombix_usbconfig mtk7620 %s &", word);
}
