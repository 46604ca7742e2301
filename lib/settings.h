// Reading settings from the configuration store.
#ifndef QAVO_LIB_SETTINGS_H
#define QAVO_LIB_SETTINGS_H

#include <cstdlib>
#include <cstring>

#include "nvram.h"

namespace qavo {

// The store's sections: the router's settings, and those of the second radio.
constexpr int kRouterSection = 0;
constexpr int kSecondRadioSection = 1;

// The value of key in section; "" when the store has none (a vendor store may return NULL).
inline const char *setting(int section, const char *key)
{
    const char *value = nvram_bufget(section, key);
    return value ? value : "";
}

inline bool settingIs(int section, const char *key, const char *expected)
{
    return strcmp(setting(section, key), expected) == 0;
}

// Decimal conversion as the settings are stored: missing or empty reads as 0.
inline long settingNumber(int section, const char *key)
{
    return strtol(setting(section, key), nullptr, 10);
}

} // namespace qavo

#endif
