// Modules:
//   getcfg  {"keys": ["lan_ipaddr", ...]}  -> the stored values, one string member per key
//   setcfg  {"<key>": "<value>", ..., "wtime": "..", "reserv": ".."} -> stores and commits the
//           string members other than wtime/reserv, then the success reply
//   echo    any payload -> the same payload (the cheapest answer, for measuring the path)
#include "messaging/qavo_sub/modules.h"

#include <cjson/cJSON.h>
#include <cstdlib>
#include <cstring>

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

bool isReplyField(const char *name) { return strcmp(name, "wtime") == 0 || strcmp(name, "reserv") == 0; }

void setcfg(mosquitto *client, const char *topic, cJSON *request)
{
    cJSON *member;
    cJSON_ArrayForEach(member, request)
    {
        if (!member->string || isReplyField(member->string))
            continue;
        if (!cJSON_IsString(member) || nvram_bufset(0, member->string, member->valuestring) != 0) {
            websErrorResponse(client, topic, "settings must be non-empty names with text values");
            return;
        }
    }
    nvram_commit(0);
    websSetCfgResponse(client, topic, websGetVar(request, "wtime", ""), websGetVar(request, "reserv", ""));
}

} // namespace

void answer(mosquitto *client, const char *topic, const char *module, const char *payload)
{
    if (strcmp(module, "echo") == 0) {
        websGetCfgResponse(client, topic, payload);
        return;
    }
    cJSON *request = cJSON_Parse(payload);
    if (!cJSON_IsObject(request))
        websErrorResponse(client, topic, "request is not a JSON object");
    else if (strcmp(module, "getcfg") == 0)
        getcfg(client, topic, request);
    else if (strcmp(module, "setcfg") == 0)
        setcfg(client, topic, request);
    else
        websErrorResponse(client, topic, "unknown module");
    cJSON_Delete(request);
}

} // namespace qavo_sub
