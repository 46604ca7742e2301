// Modules:
//   getcfg  {"keys": ["lan_ipaddr", ...]}  -> the stored values, one string member per key
//   setcfg  {"<key>": "<value>", ..., "wtime": "..", "reserv": ".."} -> stores and commits the
//           string members other than wtime/reserv, then the success reply. The whole
//           request is checked first: one bad member changes nothing.
//   echo    any payload -> the same payload (the cheapest answer, for measuring the path)
//   status, lan, wan  the web front end's pages (web_pages.h)
#include "messaging/qavo_sub/modules.h"

#include <cjson/cJSON.h>
#include <cstdlib>
#include <cstring>

#include "lib/settings.h"
#include "messaging/qavo_sub/request_checks.h"
#include "messaging/qavo_sub/web_pages.h"
#include "nvram.h"
#include "qavo/web.h"

namespace qavo_sub {

namespace {

constexpr int kMaxKeys = 64;

void getcfg(mosquitto *client, const char *topic, cJSON *request)
{
    const char *keys[kMaxKeys];
    int count = 0;
    cJSON *list = cJSON_GetObjectItem(request, "keys");
    cJSON *item;
    cJSON_ArrayForEach(item, list)
    {
        if (!cJSON_IsString(item) || !*item->valuestring || count == kMaxKeys) {
            websErrorResponse(client, topic, "keys must be up to 64 setting names");
            return;
        }
        keys[count++] = item->valuestring;
    }
    cJSON *reply = cJSON_CreateObject();
    getCfgArray(reply, 0, count, keys);
    char *printed = cJSON_PrintUnformatted(reply);
    websGetCfgResponse(client, topic, printed);
    free(printed);
    cJSON_Delete(reply);
}

bool isReplyField(const char *name)
{
    return strcmp(name, "wtime") == 0 || strcmp(name, "reserv") == 0;
}

bool isSetting(const cJSON *member)
{
    return member->string && !isReplyField(member->string);
}

void setcfg(mosquitto *client, const char *topic, cJSON *request)
{
    // The whole request is checked before anything is stored.
    int count = 0;
    cJSON *member;
    cJSON_ArrayForEach(member, request)
    {
        if (!isSetting(member))
            continue;
        if (!*member->string || !cJSON_IsString(member)) {
            websErrorResponse(client, topic, "settings must be non-empty names with text values");
            return;
        }
        ++count;
    }
    auto **settings = static_cast<cJSON **>(malloc(sizeof(cJSON *) * (count + 1)));
    auto **before = static_cast<const char **>(malloc(sizeof(const char *) * (count + 1)));
    int i = 0;
    cJSON_ArrayForEach(member, request)
    {
        if (settings && isSetting(member))
            settings[i++] = member;
    }
    if (settings && before && storeAll(settings, before, count)) {
        nvram_commit(qavo::kRouterSection);
        websSetCfgResponse(client, topic, websGetVar(request, "wtime", ""), websGetVar(request, "reserv", ""));
    } else {
        websErrorResponse(client, topic, "the settings could not be stored; nothing was changed");
    }
    free(settings);
    free(before);
}

} // namespace

bool storeAll(cJSON *const *settings, const char **before, int count)
{
    for (int i = 0; i < count; ++i) {
        before[i] = nvram_bufget(qavo::kRouterSection, settings[i]->string); // stays valid: the store keeps it
        if (nvram_bufset(qavo::kRouterSection, settings[i]->string, settings[i]->valuestring) != 0) {
            while (i-- > 0)
                nvram_bufset(qavo::kRouterSection, settings[i]->string, before[i]);
            return false;
        }
    }
    return true;
}

void answer(mosquitto *client, const char *topic, const char *module, const char *payload, size_t length)
{
    if (strcmp(module, "echo") == 0) {
        websGetCfgResponse(client, topic, payload);
        return;
    }
    if (holdsZeroByte(payload, length)) {
        websErrorResponse(client, topic, "keys and values may not hold a zero byte");
        return;
    }
    cJSON *request = cJSON_Parse(payload);
    if (!cJSON_IsObject(request))
        websErrorResponse(client, topic, "request is not a JSON object");
    else if (strcmp(module, "getcfg") == 0)
        getcfg(client, topic, request);
    else if (strcmp(module, "setcfg") == 0)
        setcfg(client, topic, request);
    else if (!answerPage(client, topic, module, request))
        websErrorResponse(client, topic, "unknown module");
    cJSON_Delete(request);
}

} // namespace qavo_sub
