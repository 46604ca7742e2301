// Replies of the setting modules, published on "<request topic>/R".
#include <cjson/cJSON.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mosquitto.h>

#include "lib/settings.h"
#include "qavo/interfaces.h"
#include "qavo/lists.h"
#include "qavo/web.h"

namespace {

constexpr size_t kTopicSize = 256;

// "<topic>/R"; false when topic is null or the reply topic would exceed 255 characters.
bool replyTopic(char (&out)[kTopicSize], const char *topic)
{
    out[0] = '\0';
    if (!topic)
        return false;
    int length = snprintf(out, sizeof out, "%s/R", topic);
    return length >= 0 && static_cast<size_t>(length) < sizeof out;
}

int publishText(mosquitto *client, const char *topic, const char *text)
{
    char reply[kTopicSize];
    if (!replyTopic(reply, topic))
        return MOSQ_ERR_INVAL;
    if (!text)
        text = "";
    return mosquitto_publish(client, nullptr, reply, static_cast<int>(strlen(text)), text, 0, false);
}

// Prints object with cJSON's formatted printer, publishes it, and deletes the object.
void publishObject(mosquitto *client, const char *topic, cJSON *object)
{
    char *printed = cJSON_Print(object);
    if (printed)
        publishText(client, topic, printed);
    free(printed);
    cJSON_Delete(object);
}

void addString(cJSON *object, const char *name, const char *value)
{
    cJSON_AddItemToObject(object, name, cJSON_CreateString(value ? value : ""));
}

} // namespace

extern "C" const char *websGetVar(cJSON *object, const char *name, const char *defaultValue)
{
    // A missing name is the caller's programming error: stop, in every build.
    if (!name || !*name) {
        fputs("websGetVar: Assertion `var && *var' failed.\n", stderr);
        abort();
    }
    cJSON *member = cJSON_GetObjectItem(object, name);
    if (!member)
        return defaultValue;
    return cJSON_IsString(member) && member->valuestring ? member->valuestring : "";
}

extern "C" int getCfgArray(cJSON *object, int keepEmpty, int count, const char **keys)
{
    for (int i = 0; i < count; ++i) {
        const char *value = qavo::setting(qavo::kRouterSection, keys[i]);
        addString(object, keys[i], *value || keepEmpty ? value : "0");
    }
    return 0;
}

extern "C" void websSetCfgResponse(mosquitto *client, const char *topic, const char *wtime, const char *reserv)
{
    cJSON *object = cJSON_CreateObject();
    cJSON_AddItemToObject(object, "success", cJSON_CreateTrue());
    cJSON_AddItemToObject(object, "error", cJSON_CreateNull());

    char liveAddress[32] = "";
    const char *lanIp = qavo::setting(qavo::kRouterSection, "lan_ipaddr");
    long mode = qavo::settingNumber(qavo::kRouterSection, "OperationMode");
    if (mode == 0 || mode == 2) {
        getLanIp(liveAddress);
        lanIp = liveAddress;
    }
    addString(object, "lan_ip", lanIp);
    addString(object, "wtime", wtime);
    addString(object, "reserv", reserv);
    publishObject(client, topic, object);
}

extern "C" int websGetCfgResponse(mosquitto *client, const char *topic, const char *payload)
{
    return publishText(client, topic, payload);
}

extern "C" void websErrorResponse(mosquitto *client, const char *topic, const char *errorText)
{
    cJSON *object = cJSON_CreateObject();
    cJSON_AddItemToObject(object, "success", cJSON_CreateFalse());
    addString(object, "error", errorText);
    publishObject(client, topic, object);
}

extern "C" const char *checkVar(const char *value, int section, const char *key)
{
    static char result[256];
    if (!value)
        value = "";
    if (strchr(value, ';')) {
        snprintf(result, sizeof result, "%s", value);
        return result;
    }
    const char *stored = qavo::setting(section, key);
    char second[16] = "";
    char third[16] = "";
    getNthValueSafe(1, stored, ';', second, sizeof second);
    getNthValueSafe(2, stored, ';', third, sizeof third);
    snprintf(result, sizeof result, "%s;%s;%s", value, second, third);
    return result;
}
