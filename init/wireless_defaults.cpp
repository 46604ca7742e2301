// Boot steps for the wireless defaults: a per-unit network name in place of the factory
// placeholder, the 802.1X authenticator when a network needs it, and the web language.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "init/factory_steps.h"
#include "lib/settings.h"
#include "nvram.h"
#include "qavo/interfaces.h"
#include "qavo/lists.h"
#include "qavo/runner.h"

namespace {

// Factory network names: a brand part, "_", and the placeholder word.
constexpr const char *kPlaceholderSsids[] = {"PELVANTO_ZORF", "MERIDOSA_ZORF", "KVT_ZORF",
                                             "wifi_ZORF",     "ZENTRA_ZORF",   "TarnMoss_ZORF"};

// Authentication modes that need the authenticator daemon.
constexpr const char *kAuthenticatorModes[] = {"WPA", "WPA2", "WPA1WPA2"};

// A network name holds at most 32 bytes.
constexpr size_t kSsidMax = 32;

bool isPlaceholder(const char *ssid)
{
    for (const char *placeholder : kPlaceholderSsids)
        if (strcmp(ssid, placeholder) == 0)
            return true;
    return false;
}

bool isAuthenticatorMode(const char *mode)
{
    for (const char *m : kAuthenticatorModes)
        if (strcmp(mode, m) == 0)
            return true;
    return false;
}

enum class Need { No, Yes, NoMoreFields };

// Whether network index needs the authenticator: its "AuthMode" field is one of the
// modes above, or its "IEEE8021X" field is "1". A missing field never counts.
Need networkNeedsAuthenticator(const char *authModes, const char *ieee8021x, int index)
{
    char mode[128];
    char dot1x[128];
    bool hasMode = getNthValueSafe(index, authModes, ';', mode, sizeof mode) == 0;
    if (hasMode && isAuthenticatorMode(mode))
        return Need::Yes;
    bool hasDot1x = getNthValueSafe(index, ieee8021x, ';', dot1x, sizeof dot1x) == 0;
    if (hasDot1x && strcmp(dot1x, "1") == 0)
        return Need::Yes;
    return hasMode || hasDot1x ? Need::No : Need::NoMoreFields;
}

} // namespace

void modifyDefaultSsid()
{
    const char *ssid = qavo::setting(qavo::kRouterSection, "SSID1");
    if (!isPlaceholder(ssid))
        return;
    char brand[64] = "";
    getNthValueSafe(0, ssid, '_', brand, sizeof brand);
    char suffix[8] = "";
    if (getAP6Mac("ra0", suffix) == -1)
        suffix[0] = '\0';
    char name[kSsidMax + 1];
    int length = snprintf(name, sizeof name, "%s_%s", brand, suffix);
    if (length < 0 || static_cast<size_t>(length) > kSsidMax) {
        fprintf(stderr, "Error: SSID1: the name for %s would exceed %zu bytes; kept as it is\n", ssid, kSsidMax);
        return;
    }
    nvram_bufset(qavo::kRouterSection, "SSID1", name);
    nvram_bufset(qavo::kRouterSection, "WscSSID", name);
    nvram_commit(qavo::kRouterSection);
    setWiFiOmbix("init2g");
}

void restart8021XDaemon(int section)
{
    const char *authModes = qavo::setting(section, "AuthMode");
    const char *ieee8021x = qavo::setting(section, "IEEE8021X");
    const char *count = nvram_bufget(section, "BssidNum");
    if (!count)
        return;
    long networks = strtol(count, nullptr, 10);
    if (section == 0)
        QavoSystem("killall rt2860apd 1>/dev/null 2>&1", 0);
    // Past the last field of both lists no network can need it: a huge count ends there.
    Need need = Need::No;
    for (long i = 0; i < networks && need == Need::No; ++i)
        need = networkNeedsAuthenticator(authModes, ieee8021x, static_cast<int>(i));
    if (need == Need::Yes && section == 0)
        QavoSystem("rt2860apd", 0);
}

void setLanguageCfg()
{
    const char *language = qavo::setting(qavo::kRouterSection, "LanguageType");
    bool english = !strstr(language, "cn") && strstr(language, "en");
    QavoSystem("rm -rf /etc_ro/web/js/language.js 1>/dev/null 2>&1", 0);
    if (english)
        QavoSystem("ln -s /etc_ro/web/js/language_en.js /etc_ro/web/js/language.js 1>/dev/null 2>&1", 0);
    else
        QavoSystem("ln -s /etc_ro/web/js/language_cn.js /etc_ro/web/js/language.js 1>/dev/null 2>&1", 0);
}
