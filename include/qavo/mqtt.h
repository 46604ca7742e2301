/*
 * MQTT messaging: the router's identity digest, one-shot publishing, the start of the
 * setting-module subscriber and the blocking request/response client of the web front end.
 *
 * Every topic lies under "pelvanto/router/"; a suffix is the part after that prefix.
 * The clients speak MQTT 3.1 with QoS 0, no retain, no TLS and no credentials. Messages
 * beginning "Error: " go to standard error. None of these routines is re-entrant: each
 * keeps its state in one global record, so one operation at a time per process.
 */
#ifndef QAVO_MQTT_H
#define QAVO_MQTT_H

#include <stdbool.h>

#include "qavo/api.h"

QAVO_BEGIN_DECLS

struct mosquitto;

/* ---- Identity digest ---- */

/* Writes the MD5 digest of the LAN interface's MAC text (17 characters, lower case) as
 * 32 lower-case hexadecimal digits, without a line end, to /var/qavomd5. An unreadable
 * address gives the digest of the empty text. */
QAVO_API void Mqtt_mac_md5(void);

/* Copies the stored digest text (the first line of /var/qavomd5, at most 127 characters)
 * into buffer, which must hold 128 bytes, and returns 0. Returns -1 after printing
 * "[getQavoMD5]get Qavo MD5 failed!" when the file cannot be opened (buffer untouched)
 * or holds no text (buffer set to ""). */
QAVO_API int getQavoMD5(char *buffer);

/* ---- Publishing and subscriber launch ---- */

/* Starts "qavo_sub -h <host> -t pelvanto/router/<suffix> &" through the standard system
 * call and returns its status. The suffix may be a wildcard such as "#". Both texts are
 * quoted for the shell where they need it; a command line that would not fit 255
 * characters is refused with a message on standard error and -1, and nothing is run. */
QAVO_API int qv_sub(const char *host, const char *suffix);

/* Publishes payload once on "pelvanto/router/<suffix>" through pub_msg; always returns 0.
 * A suffix whose topic would exceed 255 characters is refused with a message on standard
 * error before any connection is made. A suffix holding "+" or "#" is refused by the
 * library: "Error: Invalid input. Does your topic contain '+' or '#'?" and the client
 * disconnects. */
QAVO_API int qv_pub(const char *host, const char *suffix, const char *payload);

/* One-shot publisher on host, port 1883, keepalive 60: connect, publish payload (its text
 * length, QoS 0, not retained) on the full topic, disconnect. A null payload is sent as
 * an empty message. Returns 0 when the client ran to its disconnection, 1 when the
 * publication could not be set up (no topic, no memory, client not created), or else
 * the libmosquitto error code that ended it. */
QAVO_API int pub_msg(const char *host, const char *topic, const char *payload);

/* Publishes payload on "pelvanto/router/<suffix>" through the caller's connected client
 * (QoS 0, not retained); sending is left to that client's network loop. Always returns 0;
 * refuses over-long suffixes like qv_pub; the library refuses wildcards, silently. */
QAVO_API int qavo_local_pub(struct mosquitto *client, const char *suffix, const char *payload);

/* Prints the publisher's usage summary on standard output. */
QAVO_API void pub_print_usage(void);

/* State of the publication pub_msg is making; filled at its start, read by its callbacks. */
struct qavo_publication {
    const char *topic;
    const void *payload;
    int payload_length;
    int qos;                   /* always 0 */
    bool retain;               /* always false */
    int publish_mid;           /* message id the library gave the publish */
    int last_sent_mid;         /* id last reported sent; -1 at start */
    bool connected;            /* true until the library reports the disconnection */
    bool disconnect_requested; /* set once the publisher asked to disconnect */
};
QAVO_API extern struct qavo_publication upd;

QAVO_API void pub_connect_callback(struct mosquitto *client, void *userdata, int result);
QAVO_API void pub_publish_callback(struct mosquitto *client, void *userdata, int mid);
QAVO_API void pub_disconnect_callback(struct mosquitto *client, void *userdata, int reason);

/* ---- Request/response client ---- */

/* Broker used by web_getData; all zero at start. An empty host means "not set": the
 * first exchange then fills in "127.0.0.1", 1883 and 60. */
struct qavo_broker {
    char host[32];
    int port;
    int keepalive;
};
QAVO_API extern struct qavo_broker mos_conf;

/* Reply text of the latest exchange (heap text owned by this layer; null before the first
 * reply or time-out). Valid until the next exchange replaces it; do not free it. */
QAVO_API extern char *qvData;

/* Client of the exchange in progress; null when none is running. */
QAVO_API extern struct mosquitto *web_mosq;

/* Sets the broker for later exchanges: mos_conf is cleared, then host, port and keepalive
 * stored. A null host or one over 31 characters is refused with a message on standard
 * error and mos_conf is left as it was. */
QAVO_API void set_QAVOInfo(const char *host, int port, int keepalive);

/*
 * One blocking request/response exchange; always returns 0, the outcome is in qvData.
 * Subscribes to "pelvanto/router/<suffix>/R" and to the request topic
 * "pelvanto/router/<suffix>", publishes payload (null: empty) on the request topic once
 * the subscription is acknowledged and both topics carried nothing for 20 ms, and waits:
 *   - the first message on the reply topic after the request came back from the broker
 *     becomes qvData, as text up to its first zero byte ("" for an empty message); the
 *     exchange ends as soon as it arrives;
 *   - other clients' requests or replies on the two topics end the exchange at once with a
 *     message on standard error: before the request went out, qvData becomes
 *     "{\"error\":\"busy\"}" and nothing is sent; after it, "{\"error\":\"ambiguous\"}" (the
 *     answer to it could not be told from theirs);
 *   - 15 seconds after the acknowledgement without a reply, or 15 seconds after the start
 *     without an acknowledgement (connection refused, subscription never acknowledged),
 *     "web_timeout!" is printed on standard output and qvData becomes "{\"error\":\"timeout\"}";
 *   - broker not reachable at the start, or the client could not be made: returns at once,
 *     qvData unchanged.
 * A suffix holding "+" or "#", or one whose reply topic would exceed 255 characters, is
 * refused with a message on standard error; nothing is sent and qvData is unchanged.
 * SIGALRM and the real-time timer are borrowed for the wait: its previous handler is put
 * back and a previously running timer re-armed (with its period) when the exchange ends.
 */
QAVO_API int web_getData(const char *ignored, const char *suffix, const char *payload);

/* Callbacks registered with the exchange's client; context is the exchange's record. */
struct mosquitto_message;
QAVO_API void web_connect_callback(struct mosquitto *client, void *context, int result);
QAVO_API void web_subscribe_callback(struct mosquitto *client, void *context, int mid, int qos_count,
                                     const int *granted_qos);
QAVO_API void web_message_callback(struct mosquitto *client, void *context, const struct mosquitto_message *message);

/* SIGALRM handler of a waiting exchange: only notes that the time is up; the exchange
 * ends in its own loop. */
QAVO_API void web_timeout(int signal);

QAVO_END_DECLS

#endif
