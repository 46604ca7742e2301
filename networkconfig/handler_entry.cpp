#include <cstdio>

#include "networkconfig/handlers.h"

namespace networkconfig {

bool enterHandler(int platform, char *message)
{
    snprintf(message, kMessageSize, "%s", "nothing!");
    if (platform >= 1 && platform <= 7)
        return true;
    fputs("\r\n the first para(platform type) error", stdout);
    return false;
}

} // namespace networkconfig
