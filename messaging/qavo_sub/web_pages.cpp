#include "messaging/qavo_sub/web_pages.h"

#include <cjson/cJSON.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view> // std::size, without the stream iterators <iterator> brings

#include "lib/settings.h"
#include "messaging/qavo_sub/modules.h"
#include "messaging/qavo_sub/page_fields.h"
#include "nvram.h"
#include "qavo/files.h"
#include "qavo/interfaces.h"
#include "qavo/runner.h"
#include "qavo/wan_status.h"
#include "qavo/web.h"

namespace qavo_sub {

namespace {

constexpr size_t kUsbInfoSize = 4096;

void sendObject(mosquitto *client, const char *topic, cJSON *reply)
{
    char *printed = cJSON_PrintUnformatted(reply);
    if (printed)
        websGetCfgResponse(client, topic, printed);
    else
        websErrorResponse(client, topic, "the reply could not be built");
    free(printed);
    cJSON_Delete(reply);
}

// The USB summary the storage tool keeps for the pages; "" without one.
void readUsbInfo(char (&text)[kUsbInfoSize])
{
    text[0] = '\0';
    FILE *file = fopen("/var/usbinfo", "r");
    if (!file)
        return;
    size_t length = fread(text, 1, sizeof text - 1, file);
    text[length] = '\0';
    fclose(file);
}

void status(mosquitto *client, const char *topic)
{
    char wanIp[32] = "", lanIp[32] = "", uptime[32] = "", wanStatus[QAVO_WAN_STATUS_SIZE] = "";
    static char usb[kUsbInfoSize];
    getWanIp(wanIp);
    getLanIp(lanIp);
    getSysUptime(uptime);
    get_wan_connect_status(wanStatus);
    readUsbInfo(usb);
    cJSON *reply = cJSON_CreateObject();
    cJSON_AddStringToObject(reply, "wanConnectionMode", qavo::setting(qavo::kRouterSection, "wanConnectionMode"));
    cJSON_AddStringToObject(reply, "wanIp", wanIp);
    cJSON_AddStringToObject(reply, "wanLink", get_wan_link_status() ? "up" : "down");
    cJSON_AddStringToObject(reply, "wanStatus", wanStatus);
    cJSON_AddStringToObject(reply, "lanIp", lanIp);
    cJSON_AddStringToObject(reply, "uptime", uptime);
    cJSON_AddStringToObject(reply, "usb", usb);
    sendObject(client, topic, reply);
}

void load(mosquitto *client, const char *topic, const Page &page)
{
    const char *keys[kMaxPageFields];
    for (size_t i = 0; i < page.count; ++i)
        keys[i] = page.fields[i].key;
    cJSON *reply = cJSON_CreateObject();
    getCfgArray(reply, 1, static_cast<int>(page.count), keys);
    sendObject(client, topic, reply);
}

// The outcome of one member, as the page shows it: "saved", "not saved" or the refusal.
const char *check(const Page &page, const cJSON *member, char *message, size_t size)
{
    const PageField *field = findField(page, member->string);
    const char *why = !field                    ? "is not a setting of this page"
                      : !cJSON_IsString(member) ? "is not a text value"
                                                : whyRefused(*field, member->valuestring);
    if (!why)
        return nullptr;
    snprintf(message, size, "Error: setting %s %s; refused", member->string, why);
    return message;
}

void save(mosquitto *client, const char *topic, const Page &page, cJSON *request)
{
    cJSON *fields = cJSON_CreateObject();
    char firstRefusal[192] = "";
    cJSON *member;
    cJSON_ArrayForEach(member, request)
    {
        char message[192];
        const char *refusal = check(page, member, message, sizeof message);
        if (refusal && !firstRefusal[0])
            snprintf(firstRefusal, sizeof firstRefusal, "%s", refusal);
        cJSON_AddStringToObject(fields, member->string, refusal ? refusal : "saved");
    }
    // Room for each field named twice; a request naming more stores nothing.
    cJSON *settings[2 * kMaxPageFields];
    const char *before[2 * kMaxPageFields];
    int count = 0;
    cJSON_ArrayForEach(member, request)
    {
        if (count == static_cast<int>(std::size(settings)))
            snprintf(firstRefusal, sizeof firstRefusal, "the request names too many settings");
        else
            settings[count++] = member;
    }
    bool stored = !firstRefusal[0];
    if (stored && !(storeAll(settings, before, count) && nvram_commit(qavo::kRouterSection) == 0)) {
        stored = false;
        snprintf(firstRefusal, sizeof firstRefusal, "the store did not take the settings; nothing was changed");
    }
    if (!stored) {
        // Nothing counts as saved when one member was refused.
        cJSON *field;
        cJSON_ArrayForEach(field, fields)
        {
            if (strcmp(field->valuestring, "saved") == 0)
                cJSON_SetValuestring(field, "not saved");
        }
    } else {
        setNetworkOmbix(page.bringUp);
    }
    cJSON *reply = cJSON_CreateObject();
    cJSON_AddBoolToObject(reply, "success", stored);
    if (stored)
        cJSON_AddNullToObject(reply, "error");
    else
        cJSON_AddStringToObject(reply, "error", firstRefusal);
    cJSON_AddItemToObject(reply, "fields", fields);
    sendObject(client, topic, reply);
}

} // namespace

bool answerPage(mosquitto *client, const char *topic, const char *module, cJSON *request)
{
    if (strcmp(module, "status") == 0) {
        status(client, topic);
        return true;
    }
    const Page *page = findPage(module);
    if (!page)
        return false;
    if (!request->child)
        load(client, topic, *page);
    else
        save(client, topic, *page, request);
    return true;
}

} // namespace qavo_sub
