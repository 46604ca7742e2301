// The web front end's blocking request/response exchange.
//
// The exchange drives the client's network loop itself, one short pass at a time, and
// ends in that loop: on the reply, on the time-out, or when the broker cannot be reached.
// The SIGALRM handler only raises a flag; printing, releasing and storing the time-out
// text and disconnecting all happen in the loop, outside signal context.
//
// Every requester of one suffix listens on the same reply topic, so exchanges on one
// request topic run one at a time across processes (a lock named after the topic, held
// from before the subscription to the reply or the time-out); the wait for the lock counts
// in the 15 seconds. Only a live message on the reply topic is a reply: no program of the
// router retains replies, so a retained message, or one on any other topic that a broken
// or hostile broker delivers, is never the answer to a new request.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mosquitto.h>

#include "lib/run_lock.h"
#include "messaging/borrowed_alarm.h"
#include "messaging/broker.h"
#include "messaging/client.h"
#include "messaging/topic.h"
#include "qavo/mqtt.h"

using qavo::messaging::BorrowedAlarm;
using qavo::messaging::Client;
using qavo::messaging::LibraryUse;

qavo_broker mos_conf;
char *qvData;
mosquitto *web_mosq;

namespace {

constexpr long kWaitMilliseconds = 15000;
constexpr int kLongestPassMs = 1000;
constexpr int kReconnectDelayMs = 1000;
constexpr char kTimeoutText[] = "{\"error\":\"timeout\"}";

volatile sig_atomic_t timeUp;

// The record every callback of one exchange receives.
struct web_ctx {
    const char *reply_topics[1];
    int reply_topic_count;
    int qos;
    const char *payload;
    char request_topic[qavo::messaging::kTopicSize];
    BorrowedAlarm *alarm;
    long waitMilliseconds; // 15 seconds less the wait for the topic's lock
    timespec deadline;
    bool acknowledged; // the first subscription acknowledgement has come
    bool ended;        // reply stored or time-out; nothing more to do but disconnect
};

timespec millisecondsFromNow(long ms)
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    t.tv_sec += ms / 1000;
    t.tv_nsec += (ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    }
    return t;
}

long long millisecondsUntil(const timespec &when)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(when.tv_sec - now.tv_sec) * 1000 + (when.tv_nsec - now.tv_nsec) / 1000000;
}

// (Re)starts the wait: the alarm interrupts the loop's wait, the deadline covers an alarm
// that fires just before a wait begins.
void startWait(web_ctx &ctx)
{
    ctx.deadline = millisecondsFromNow(ctx.waitMilliseconds);
    ctx.alarm->arm(static_cast<unsigned>((ctx.waitMilliseconds + 999) / 1000));
}

bool waitIsOver(const web_ctx &ctx)
{
    return timeUp || millisecondsUntil(ctx.deadline) <= 0;
}

int passMilliseconds(const web_ctx &ctx, int longest)
{
    long long left = millisecondsUntil(ctx.deadline);
    if (left < 1)
        return 1;
    return left < longest ? static_cast<int>(left) : longest;
}

// Replaces qvData by a heap copy of bytes up to the first zero byte (at most length).
// Without memory the previous text stays.
void storeReply(const void *bytes, size_t length)
{
    size_t textLength = bytes ? strnlen(static_cast<const char *>(bytes), length) : 0;
    auto *text = static_cast<char *>(malloc(textLength + 1));
    if (!text) {
        fputs("Error: Out of memory.\n", stderr);
        return;
    }
    if (textLength)
        memcpy(text, bytes, textLength);
    text[textLength] = '\0';
    free(qvData);
    qvData = text;
}

void storeTimeout()
{
    puts("web_timeout!");
    fflush(stdout);
    storeReply(kTimeoutText, sizeof kTimeoutText - 1);
}

void endWithTimeout(web_ctx &ctx)
{
    storeTimeout();
    ctx.ended = true;
}

void sleepMilliseconds(int ms)
{
    timespec pause{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr); // a SIGALRM cuts it short, which is what we want
}

// Runs the client until the exchange has ended. A lost or refused connection is tried
// again after a second, as the library's own loop would.
void runExchange(mosquitto *client, web_ctx &ctx)
{
    while (!ctx.ended) {
        if (waitIsOver(ctx)) {
            endWithTimeout(ctx);
            break;
        }
        int rc = mosquitto_loop(client, passMilliseconds(ctx, kLongestPassMs), 1);
        if (rc != MOSQ_ERR_SUCCESS && !ctx.ended) {
            sleepMilliseconds(passMilliseconds(ctx, kReconnectDelayMs));
            if (!waitIsOver(ctx))
                mosquitto_reconnect(client);
        }
    }
}

} // namespace

extern "C" void set_QAVOInfo(const char *host, int port, int keepalive)
{
    if (!host) {
        fputs("Error: No broker host given; broker not changed.\n", stderr);
        return;
    }
    if (strlen(host) >= sizeof mos_conf.host) {
        fprintf(stderr, "Error: Broker host '%.40s' is longer than %zu characters; broker not changed.\n", host,
                sizeof mos_conf.host - 1);
        return;
    }
    mos_conf = qavo_broker{};
    memcpy(mos_conf.host, host, strlen(host));
    mos_conf.port = port;
    mos_conf.keepalive = keepalive;
}

extern "C" void web_timeout(int)
{
    timeUp = 1;
}

extern "C" void web_connect_callback(mosquitto *client, void *context, int result)
{
    auto *ctx = static_cast<web_ctx *>(context);
    if (result != 0) {
        fprintf(stderr, "%s\n", mosquitto_connack_string(result));
        return;
    }
    mosquitto_subscribe(client, nullptr, ctx->reply_topics[0], ctx->qos);
}

extern "C" void web_subscribe_callback(mosquitto *client, void *context, int, int, const int *)
{
    auto *ctx = static_cast<web_ctx *>(context);
    if (ctx->ended)
        return;
    mosquitto_publish(client, nullptr, ctx->request_topic, static_cast<int>(strlen(ctx->payload)), ctx->payload,
                      ctx->qos, false);
    // After a reconnection the request goes out again, but the wait is not extended.
    if (!ctx->acknowledged) {
        ctx->acknowledged = true;
        startWait(*ctx);
    }
}

extern "C" void web_message_callback(mosquitto *, void *context, const mosquitto_message *message)
{
    auto *ctx = static_cast<web_ctx *>(context);
    if (ctx->ended || message->retain || !message->topic || strcmp(message->topic, ctx->reply_topics[0]) != 0)
        return;
    storeReply(message->payload, message->payloadlen > 0 ? static_cast<size_t>(message->payloadlen) : 0);
    ctx->ended = true;
}

extern "C" int web_getData(const char *, const char *suffix, const char *payload)
{
    char replyTopic[qavo::messaging::kTopicSize];
    if (qavo::messaging::holdsWildcard(suffix) || !qavo::messaging::routerTopic(replyTopic, suffix, true))
        return 0;
    if (mos_conf.host[0] == '\0')
        set_QAVOInfo(qavo::messaging::kBrokerHost, qavo::messaging::kBrokerPort, qavo::messaging::kKeepaliveSeconds);

    web_ctx ctx{};
    memcpy(ctx.request_topic, replyTopic, strlen(replyTopic) - 2);
    char lockName[qavo::messaging::kExchangeLockNameSize];
    qavo::messaging::exchangeLockName(ctx.request_topic, lockName);
    qavo::RunLock exchangeLock(lockName, ctx.request_topic, kWaitMilliseconds);
    if (exchangeLock.gaveUp()) {
        storeTimeout();
        return 0;
    }
    ctx.waitMilliseconds = kWaitMilliseconds - exchangeLock.waitedMilliseconds();
    if (ctx.waitMilliseconds < 1)
        ctx.waitMilliseconds = 1;

    BorrowedAlarm alarm(web_timeout);
    ctx.reply_topics[0] = replyTopic;
    ctx.reply_topic_count = 1;
    ctx.qos = 0;
    ctx.payload = payload ? payload : "";
    ctx.alarm = &alarm;

    LibraryUse library;
    Client client(qavo::messaging::newClient("mosqsub", &ctx));
    if (!client)
        return 0;
    web_mosq = client.get();
    mosquitto_connect_callback_set(client.get(), web_connect_callback);
    mosquitto_message_callback_set(client.get(), web_message_callback);
    mosquitto_subscribe_callback_set(client.get(), web_subscribe_callback);

    if (mosquitto_connect_bind(client.get(), mos_conf.host, mos_conf.port, mos_conf.keepalive, nullptr) ==
        MOSQ_ERR_SUCCESS) {
        timeUp = 0;
        startWait(ctx); // bounds the wait for the connection and the acknowledgement
        runExchange(client.get(), ctx);
        mosquitto_disconnect(client.get());
    }
    alarm.release();
    web_mosq = nullptr;
    return 0;
}
