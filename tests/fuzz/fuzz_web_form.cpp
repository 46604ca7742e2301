// The web front end's form reader on arbitrary request bytes: a request it takes gives a
// page name and a JSON object of exactly as many string members as it counted; one it
// refuses leaves nothing behind.
#include <cjson/cJSON.h>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "web/cgi/form.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    char page[16], json[512];
    int fields = -1;
    enum form_result result =
        form_to_request(reinterpret_cast<const char *>(data), size, page, sizeof page, json, sizeof json, &fields);
    if (result != FORM_OK) {
        if (page[0] || json[0] || fields != 0)
            __builtin_trap();
        return 0;
    }
    cJSON *request = cJSON_Parse(json);
    if (!page[0] || !cJSON_IsObject(request) || cJSON_GetArraySize(request) != fields)
        __builtin_trap();
    const cJSON *member;
    cJSON_ArrayForEach(member, request)
    {
        if (!cJSON_IsString(member) || strlen(member->string) == 0)
            __builtin_trap();
    }
    cJSON_Delete(request);
    return 0;
}
