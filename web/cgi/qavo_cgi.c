/* qavo.cgi: the web front end's one CGI program, run by the router's web server (which
 * has checked the login). It turns a page's request into one request/response exchange
 * with the page's setting module and hands back the module's JSON reply:
 *   GET  ?page=status|lan|wan            -> the module's answer to {} (the page's values)
 *   POST page=lan|wan&key=value&...      -> the module's answer to {"key":"value",...}
 * A change needs POST from a page of this router: the browser's Origin header must name
 * the host the request was sent to. Everything else is refused before any exchange. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <qavo/mqtt.h>

#include "form.h"

#define MAX_BODY 4096
#define MAX_PAGE 16

static const char *const pages[] = {"status", "lan", "wan"};

static int reply(const char *status, const char *body)
{
    printf("HTTP/1.1 %s\r\nContent-Type: application/json\r\nCache-Control: no-store\r\n"
           "X-Content-Type-Options: nosniff\r\n\r\n%s\n",
           status, body);
    return 0;
}

/* The error reply the pages show; text is one of this program's own messages. */
static int refuse(const char *status, const char *text)
{
    char body[256];
    snprintf(body, sizeof body, "{\"success\":false,\"error\":\"%s\"}", text);
    return reply(status, body);
}

static int isPage(const char *name)
{
    for (size_t i = 0; i < sizeof pages / sizeof pages[0]; ++i)
        if (strcmp(pages[i], name) == 0)
            return 1;
    return 0;
}

static const char *env(const char *name)
{
    const char *value = getenv(name);
    return value ? value : "";
}

/* The page that sent the change came from this router: "http://<Host header>". */
static int sameOrigin(void)
{
    const char *origin = env("HTTP_ORIGIN"), *host = env("HTTP_HOST");
    return *host && strncmp(origin, "http://", 7) == 0 && strcmp(origin + 7, host) == 0;
}

static int isFormType(const char *type)
{
    static const char form[] = "application/x-www-form-urlencoded";
    size_t length = sizeof form - 1;
    return strncmp(type, form, length) == 0 && (type[length] == '\0' || type[length] == ';');
}

/* The POST body, at most MAX_BODY bytes; -1 when it is longer or shorter than announced. */
static long readBody(char *body)
{
    char *end;
    const char *announced = env("CONTENT_LENGTH");
    long length = strtol(announced, &end, 10);
    if (!*announced || *end || length < 0 || length > MAX_BODY)
        return -1;
    size_t got = fread(body, 1, (size_t)length, stdin);
    return got == (size_t)length ? length : -1;
}

int main(void)
{
    static char body[MAX_BODY + 1], json[2 * MAX_BODY];
    char page[MAX_PAGE];
    const char *method = env("REQUEST_METHOD");
    const char *form = env("QUERY_STRING");
    long length = (long)strlen(form);
    int fields = 0;

    if (!*env("REMOTE_USER"))
        return refuse("401 Unauthorized", "log in first");
    if (strcmp(method, "POST") == 0) {
        if (!sameOrigin())
            return refuse("403 Forbidden", "changes are taken only from this router's own pages");
        if (!isFormType(env("CONTENT_TYPE")))
            return refuse("415 Unsupported Media Type", "changes are sent as a form");
        if ((length = readBody(body)) < 0)
            return refuse("413 Payload Too Large", "the request is too long or cut short");
        form = body;
    } else if (strcmp(method, "GET") != 0) {
        return refuse("405 Method Not Allowed", "only GET and POST are answered");
    }
    enum form_result result = form_to_request(form, (size_t)length, page, sizeof page, json, sizeof json, &fields);
    if (result != FORM_OK)
        return refuse("400 Bad Request", form_result_text(result));
    if (!isPage(page))
        return refuse("404 Not Found", "no such page");
    if (fields && strcmp(method, "POST") != 0)
        return refuse("405 Method Not Allowed", "a change needs POST");
    if (fields && strcmp(page, "status") == 0)
        return refuse("400 Bad Request", "the status page changes nothing");
    web_getData(NULL, page, json);
    if (!qvData)
        return refuse("502 Bad Gateway", "the router's setting modules cannot be reached");
    return reply("200 OK", qvData);
}
