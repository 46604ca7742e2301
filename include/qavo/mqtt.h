/*
 * MQTT messaging: the router's identity digest and the setting-module subscriber.
 */
#ifndef QAVO_MQTT_H
#define QAVO_MQTT_H

#include "qavo/api.h"

QAVO_BEGIN_DECLS

/* Computes the router's identity digest and writes it to /var/qavomd5. */
QAVO_API void Mqtt_mac_md5(void);

/* Starts the setting-module subscriber "qavo_sub" in the background against host, subscribed to
 * "pelvanto/router/<suffix>". Returns the wait status of the launching shell. */
QAVO_API int qv_sub(const char *host, const char *suffix);

QAVO_END_DECLS

#endif
