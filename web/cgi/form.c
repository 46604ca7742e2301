#include "form.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#define MAX_NAME 64
#define MAX_FIELDS 64

struct out {
    char *text;
    size_t size, used;
    int full;
};

static void put(struct out *out, const char *bytes, size_t count)
{
    if (out->full || out->used + count >= out->size) {
        out->full = 1;
        return;
    }
    memcpy(out->text + out->used, bytes, count);
    out->used += count;
    out->text[out->used] = '\0';
}

static int hexValue(char c)
{
    static const char digits[] = "0123456789abcdef";
    const char *at = c ? strchr(digits, tolower((unsigned char)c)) : NULL;
    return at ? (int)(at - digits) : -1;
}

/* Decodes form[*at] up to the next stop character (or end) into one byte each call;
 * returns 1 with the byte, 0 at the end of the part, -1 for a bad escape. */
static int nextByte(const char *form, size_t length, size_t *at, char stop, char *byte)
{
    if (*at >= length || form[*at] == '&' || (stop && form[*at] == stop))
        return 0;
    char c = form[(*at)++];
    if (c == '+') {
        *byte = ' ';
        return 1;
    }
    if (c != '%') {
        *byte = c;
        return c == '\0' ? -1 : 1;
    }
    if (*at + 2 > length)
        return -1;
    int high = hexValue(form[*at]), low = hexValue(form[*at + 1]);
    if (high < 0 || low < 0 || (high == 0 && low == 0))
        return -1;
    *at += 2;
    *byte = (char)(high * 16 + low);
    return 1;
}

/* One byte of a value inside a JSON string. */
static void putJsonByte(struct out *out, char c)
{
    char escaped[8];
    if (c == '"' || c == '\\') {
        escaped[0] = '\\';
        escaped[1] = c;
        put(out, escaped, 2);
    } else if ((unsigned char)c < 0x20 || c == 0x7f) {
        snprintf(escaped, sizeof escaped, "\\u%04x", (unsigned)(unsigned char)c);
        put(out, escaped, 6);
    } else {
        put(out, &c, 1);
    }
}

static int isNameByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

static enum form_result readName(const char *form, size_t length, size_t *at, char *name)
{
    size_t count = 0;
    char c;
    int got;
    while ((got = nextByte(form, length, at, '=', &c)) == 1) {
        if (!isNameByte(c) || count + 1 >= MAX_NAME)
            return FORM_BAD_NAME;
        name[count++] = c;
    }
    name[count] = '\0';
    if (got < 0)
        return FORM_BAD_ESCAPE;
    return count ? FORM_OK : FORM_BAD_NAME;
}

static enum form_result readField(const char *form, size_t length, size_t *at, struct out *page, struct out *json,
                                  char (*seen)[MAX_NAME], int *count)
{
    char name[MAX_NAME];
    enum form_result result = readName(form, length, at, name);
    if (result != FORM_OK)
        return result;
    for (int i = 0; i < *count; ++i)
        if (strcmp(seen[i], name) == 0)
            return FORM_TWICE;
    if (*count == MAX_FIELDS)
        return FORM_TOO_LONG;
    memcpy(seen[(*count)++], name, sizeof name);
    if (*at < length && form[*at] == '=')
        ++*at;
    int isPage = strcmp(name, "page") == 0;
    if (!isPage) {
        put(json, json->used > 1 ? ",\"" : "\"", json->used > 1 ? 2 : 1);
        put(json, name, strlen(name));
        put(json, "\":\"", 3);
    }
    char c;
    int got;
    while ((got = nextByte(form, length, at, '\0', &c)) == 1) {
        if (isPage)
            put(page, &c, 1);
        else
            putJsonByte(json, c);
    }
    if (got < 0)
        return FORM_BAD_ESCAPE;
    if (!isPage)
        put(json, "\"", 1);
    return page->full || json->full ? FORM_TOO_LONG : FORM_OK;
}

enum form_result form_to_request(const char *form, size_t length, char *page, size_t pageSize, char *json,
                                 size_t jsonSize, int *fields)
{
    struct out pageOut = {page, pageSize, 0, pageSize == 0};
    struct out jsonOut = {json, jsonSize, 0, jsonSize == 0};
    char seen[MAX_FIELDS][MAX_NAME];
    int count = 0;
    enum form_result result = FORM_OK;
    if (pageSize)
        page[0] = '\0';
    put(&jsonOut, "{", 1);
    for (size_t at = 0; at < length && result == FORM_OK; ++at)
        result = readField(form, length, &at, &pageOut, &jsonOut, seen, &count);
    put(&jsonOut, "}", 1);
    if (result == FORM_OK && (pageOut.full || jsonOut.full))
        result = FORM_TOO_LONG;
    if (result == FORM_OK && pageOut.used == 0)
        result = FORM_NO_PAGE;
    *fields = result == FORM_OK ? count - 1 : 0;
    if (result != FORM_OK) {
        if (pageSize)
            page[0] = '\0';
        if (jsonSize)
            json[0] = '\0';
    }
    return result;
}

const char *form_result_text(enum form_result result)
{
    switch (result) {
    case FORM_OK:
        return "ok";
    case FORM_BAD_ESCAPE:
        return "the request holds a broken %-escape or a zero byte";
    case FORM_BAD_NAME:
        return "a field name is not 1-63 letters, digits or '_'";
    case FORM_TWICE:
        return "a field is named twice";
    case FORM_NO_PAGE:
        return "the request names no page";
    case FORM_TOO_LONG:
        return "the request is too long";
    }
    return "the request cannot be read";
}
