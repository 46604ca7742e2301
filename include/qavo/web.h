/*
 * The setting-module side of a web request: reading request variables, copying stored
 * settings into a JSON reply, and the standard replies published on the request topic
 * with "/R" appended (QoS 0, not retained). Objects are cJSON objects; the client is the
 * module's connected libmosquitto client. Nothing here prints.
 */
#ifndef QAVO_WEB_H
#define QAVO_WEB_H

#include "qavo/api.h"

QAVO_BEGIN_DECLS

struct cJSON;
struct mosquitto;

/* The string value of member name of object; "" when the member holds no string; the
 * default when there is no such member. Points into the object (or is the default).
 * name must be a non-empty text: a null or empty name stops the
 * process (abort, "Assertion `var && *var' failed"). */
QAVO_API const char *websGetVar(struct cJSON *object, const char *name, const char *defaultValue);

/* Adds to object, for each of the count keys in order, a string member named by the key
 * holding its stored value (section 0); an empty or missing value is added as "0" unless
 * keepEmpty is non-zero. Returns 0. */
QAVO_API int getCfgArray(struct cJSON *object, int keepEmpty, int count, const char **keys);

/* Publishes {"success": true, "error": null, "lan_ip", "wtime", "reserv"} (cJSON's
 * formatted print) on the reply topic of topic. lan_ip is the stored "lan_ipaddr", or the
 * LAN bridge's live address in operation modes 0 and 2. Publishing errors are not
 * reported; a request topic over 253 characters sends nothing. */
QAVO_API void websSetCfgResponse(struct mosquitto *client, const char *topic, const char *wtime, const char *reserv);

/* Publishes payload unchanged on the reply topic of topic. Returns mosquitto_publish's
 * result, or MOSQ_ERR_INVAL when the request topic is over 253 characters. */
QAVO_API int websGetCfgResponse(struct mosquitto *client, const char *topic, const char *payload);

/* Publishes {"success": false, "error": errorText} on the reply topic of topic. */
QAVO_API void websErrorResponse(struct mosquitto *client, const char *topic, const char *errorText);

/* "value;item1;item2" from the stored ';' list of key in section (items cut to 15
 * characters, missing ones empty); a value that holds ';' is returned as it is. The
 * result lives in a static buffer overwritten by the next call; a longer result than
 * 255 characters is cut there. */
QAVO_API const char *checkVar(const char *value, int section, const char *key);

QAVO_END_DECLS

#endif
