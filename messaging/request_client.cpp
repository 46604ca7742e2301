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
//
// The lock orders only our own programs. Any other client may publish requests on the
// same topic, which the module answers there too, or publish on the reply topic itself.
// So the requester also listens on the request topic, sends its request only after both
// topics were quiet for a moment, and takes only a reply that the order of the broker's
// deliveries makes the answer to its own request (ReplyWatch); otherwise the exchange ends
// as "busy" (not sent) or "ambiguous" (sent, answer not told apart).
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mosquitto.h>
#include <string_view>

#include "lib/run_lock.h"
#include "messaging/borrowed_alarm.h"
#include "messaging/broker.h"
#include "messaging/client.h"
#include "messaging/reply_watch.h"
#include "messaging/topic.h"
#include "qavo/mqtt.h"

using qavo::messaging::BorrowedAlarm;
using qavo::messaging::Client;
using qavo::messaging::LibraryUse;
using qavo::messaging::ReplyWatch;

qavo_broker mos_conf;
char *qvData;
mosquitto *web_mosq;

namespace {

constexpr long kWaitMilliseconds = 15000;
constexpr int kLongestPassMs = 1000;
constexpr int kReconnectDelayMs = 1000;
constexpr char kTimeoutText[] = "{\"error\":\"timeout\"}";
constexpr char kBusyText[] = "{\"error\":\"busy\"}";
constexpr char kAmbiguousText[] = "{\"error\":\"ambiguous\"}";
// How long both topics must carry nothing before the request goes out: long enough to see
// a flood, or a reply still on its way to an earlier request, short beside a page load.
constexpr long kQuietMilliseconds = 20;

volatile sig_atomic_t timeUp;

// The record every callback of one exchange receives.
struct web_ctx {
    const char *reply_topics[1];
    int reply_topic_count;
    int qos;
    const char *payload;
    char request_topic[qavo::messaging::kTopicSize];
    BorrowedAlarm *alarm;
    ReplyWatch *watch;
    long waitMilliseconds; // 15 seconds less the wait for the topic's lock
    timespec deadline;
    timespec quietUntil; // while listening: when the request may go out
    bool listening;      // subscribed, request not sent since
    bool acknowledged;   // the first subscription acknowledgement has come
    bool ended;          // reply stored, refused or time-out; nothing more to do but disconnect
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
    if (ctx.listening)
        left = std::min(left, millisecondsUntil(ctx.quietUntil));
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

std::string_view payloadOf(const mosquitto_message &message)
{
    return {static_cast<const char *>(message.payload),
            message.payloadlen > 0 ? static_cast<size_t>(message.payloadlen) : 0};
}

void sendRequest(mosquitto *client, web_ctx &ctx)
{
    mosquitto_publish(client, nullptr, ctx.request_topic, static_cast<int>(strlen(ctx.payload)), ctx.payload, ctx.qos,
                      false);
    ctx.watch->sent();
    ctx.listening = false;
}

// Ends the exchange on the watch's verdict about one message; false to go on waiting.
bool decide(web_ctx &ctx, ReplyWatch::Verdict verdict, const mosquitto_message &message)
{
    switch (verdict) {
    case ReplyWatch::Verdict::Wait:
        return false;
    case ReplyWatch::Verdict::Reply: {
        std::string_view payload = payloadOf(message);
        storeReply(payload.data(), payload.size());
        return true;
    }
    case ReplyWatch::Verdict::Busy:
        fprintf(stderr, "Error: Other clients' messages on %s; the request was not sent.\n", ctx.request_topic);
        storeReply(kBusyText, sizeof kBusyText - 1);
        return true;
    case ReplyWatch::Verdict::Ambiguous:
        fprintf(stderr, "Error: Other clients' messages on %s; the answer to the request cannot be told apart.\n",
                ctx.request_topic);
        storeReply(kAmbiguousText, sizeof kAmbiguousText - 1);
        return true;
    }
    return false;
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
        if (ctx.listening && millisecondsUntil(ctx.quietUntil) <= 0)
            sendRequest(client, ctx);
        int rc = mosquitto_loop(client, passMilliseconds(ctx, kLongestPassMs), 1);
        if (rc != MOSQ_ERR_SUCCESS && !ctx.ended) {
            ctx.listening = false; // until the next subscription is acknowledged
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
    char *topics[] = {const_cast<char *>(ctx->reply_topics[0]), ctx->request_topic};
    mosquitto_subscribe_multiple(client, nullptr, 2, topics, ctx->qos, 0, nullptr);
}

extern "C" void web_subscribe_callback(mosquitto *, void *context, int, int, const int *)
{
    auto *ctx = static_cast<web_ctx *>(context);
    if (ctx->ended)
        return;
    // After a reconnection the request goes out again, but the wait is not extended.
    ctx->watch->restart();
    ctx->quietUntil = millisecondsFromNow(kQuietMilliseconds);
    ctx->listening = true;
    if (!ctx->acknowledged) {
        ctx->acknowledged = true;
        startWait(*ctx);
    }
}

extern "C" void web_message_callback(mosquitto *, void *context, const mosquitto_message *message)
{
    auto *ctx = static_cast<web_ctx *>(context);
    if (ctx->ended || message->retain || !message->topic)
        return;
    if (strcmp(message->topic, ctx->reply_topics[0]) == 0) {
        ctx->ended = decide(*ctx, ctx->watch->reply(), *message);
    } else if (strcmp(message->topic, ctx->request_topic) == 0) {
        ctx->ended = decide(*ctx, ctx->watch->request(payloadOf(*message)), *message);
    }
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
    ReplyWatch watch(ctx.payload);
    ctx.watch = &watch;

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
