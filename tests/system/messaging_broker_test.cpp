// The messaging layer against the real broker, run inside the virtual router by
// messaging.sh, which starts qv_broker with a logging configuration first.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mosquitto.h>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "qavo/mqtt.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr char kBrokerLog[] = "/tmp/broker.log";
constexpr char kStartBroker[] = "qv_broker -c /tmp/test-broker.conf -d";

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}
std::string reply()
{
    return qvData ? qvData : "(null)";
}

// A module stand-in with its own client and network thread: records each request on its
// topic and, unless silent, answers with the next of its replies on "<topic>/R".
class Responder {
public:
    explicit Responder(const std::string &suffix, std::vector<std::string> replies = {})
        : topic_("pelvanto/router/" + suffix), replies_(std::move(replies))
    {
        client_ = mosquitto_new(nullptr, true, this);
        mosquitto_connect_callback_set(client_, [](mosquitto *m, void *self, int) {
            mosquitto_subscribe(m, nullptr, static_cast<Responder *>(self)->topic_.c_str(), 0);
        });
        mosquitto_subscribe_callback_set(client_, [](mosquitto *, void *self, int, int, const int *) {
            auto *r = static_cast<Responder *>(self);
            std::lock_guard<std::mutex> lock(r->mutex_);
            r->subscribed_ = true;
            r->changed_.notify_all();
        });
        mosquitto_message_callback_set(client_, [](mosquitto *m, void *self, const mosquitto_message *msg) {
            auto *r = static_cast<Responder *>(self);
            std::lock_guard<std::mutex> lock(r->mutex_);
            r->requests_.emplace_back(static_cast<const char *>(msg->payload), msg->payloadlen);
            size_t n = r->requests_.size() - 1;
            if (n < r->replies_.size())
                mosquitto_publish(m, nullptr, (r->topic_ + "/R").c_str(), static_cast<int>(r->replies_[n].size()),
                                  r->replies_[n].data(), 0, false);
        });
        mosquitto_connect(client_, "127.0.0.1", 1883, 60);
        mosquitto_loop_start(client_);
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(5), [this] { return subscribed_; });
    }
    ~Responder()
    {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, false);
        mosquitto_destroy(client_);
    }
    std::vector<std::string> requests()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    // Waits up to a second for count requests (publications end before delivery).
    std::vector<std::string> requestsOnceThere(size_t count)
    {
        for (int i = 0; i < 100 && requests().size() < count; ++i)
            usleep(10000);
        return requests();
    }

private:
    std::string topic_;
    std::vector<std::string> replies_;
    mosquitto *client_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool subscribed_ = false;
    std::vector<std::string> requests_;
};

// Waits up to two seconds for the broker log to hold text.
bool brokerLogged(const std::string &text)
{
    for (int i = 0; i < 200; ++i) {
        std::ifstream log(kBrokerLog);
        std::stringstream all;
        all << log.rdbuf();
        if (all.str().find(text) != std::string::npos)
            return true;
        usleep(10000);
    }
    return false;
}

// Waits up to five seconds for the broker to accept connections again.
bool brokerListening()
{
    for (int i = 0; i < 50; ++i) {
        mosquitto *probe = mosquitto_new(nullptr, true, nullptr);
        bool up = mosquitto_connect(probe, "127.0.0.1", 1883, 60) == MOSQ_ERR_SUCCESS;
        mosquitto_destroy(probe);
        if (up)
            return true;
        usleep(100000);
    }
    return false;
}

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// First in the program: the process has never called set_QAVOInfo.
TEST(Broker, FreshProcessUsesDefaultsAndSuffixTopics)
{
    ASSERT_STREQ(mos_conf.host, "");
    Responder module("abc", {R"({"answer":"abc"})"});
    EXPECT_EQ(web_getData(nullptr, "abc", R"({"q":1})"), 0);
    EXPECT_EQ(reply(), R"({"answer":"abc"})");
    EXPECT_EQ(module.requests(), std::vector<std::string>{R"({"q":1})"});
    EXPECT_STREQ(mos_conf.host, "127.0.0.1");
    EXPECT_EQ(mos_conf.port, 1883);
    EXPECT_EQ(mos_conf.keepalive, 60);
    // Wire level 3 ("p1") with the clean session and keepalive we asked for.
    char hostName[256] = "";
    gethostname(hostName, sizeof hostName);
    std::string id = "mosqsub/" + std::to_string(getpid()) + "-" + hostName;
    EXPECT_TRUE(brokerLogged("as " + id.substr(0, 23) + " (p1, c1, k60)")) << id;
}

TEST(Broker, ClientIdentifiersForShortAndLongHostNames)
{
    Responder module("ids", {"1", "2"});
    std::string pid = std::to_string(getpid());
    ASSERT_EQ(sethostname("router", 6), 0);
    web_getData(nullptr, "ids", "x");
    EXPECT_TRUE(brokerLogged("as mosqsub/" + pid + "-router (p1"));
    const char longName[] = "livingroom-gateway-upstairs";
    ASSERT_EQ(sethostname(longName, sizeof longName - 1), 0);
    web_getData(nullptr, "ids", "x");
    EXPECT_TRUE(brokerLogged("as " + ("mosqsub/" + pid + "-" + longName).substr(0, 23) + " (p1"));

    // Host names of two-byte characters, one shifted by a byte: whatever the process id,
    // one of the two identifiers is cut inside a character, and both exchanges are answered.
    Responder wide("wide", {"3", "4"});
    std::string umlauts;
    for (int i = 0; i < 12; ++i)
        umlauts += "\xc3\xbc";
    for (const std::string &name : {umlauts, "a" + umlauts}) {
        ASSERT_EQ(sethostname(name.data(), name.size()), 0);
        free(qvData);
        qvData = nullptr;
        web_getData(nullptr, "wide", "x");
        EXPECT_NE(reply(), "(null)") << "no exchange with host name " << name;
    }
    sethostname("router", 6);
}

TEST(Broker, RetainedZeroByteEmptyAndConsecutiveReplies)
{
    {
        // A retained message on the reply topic is never the reply: the live answer is.
        mosquitto *keeper = mosquitto_new(nullptr, true, nullptr);
        ASSERT_EQ(mosquitto_connect(keeper, "127.0.0.1", 1883, 60), MOSQ_ERR_SUCCESS);
        int mid = 0;
        mosquitto_publish(keeper, &mid, "pelvanto/router/kept/R", 6, "stored", 1, true);
        for (int i = 0; i < 20; ++i)
            mosquitto_loop(keeper, 50, 1); // long enough for the broker's PUBACK
        mosquitto_disconnect(keeper);
        mosquitto_destroy(keeper);
        Responder module("kept", {"fresh"});
        web_getData(nullptr, "kept", "x");
        EXPECT_EQ(reply(), "fresh");
    }
    Responder zero("zero", {std::string("ab\0cd", 5)});
    web_getData(nullptr, "zero", "x");
    EXPECT_EQ(reply(), "ab");

    Responder empty("empty", {""});
    web_getData(nullptr, "empty", "x");
    ASSERT_NE(qvData, nullptr);
    EXPECT_STREQ(qvData, "");

    Responder twice("twice", {"one", "two"});
    web_getData(nullptr, "twice", "a");
    EXPECT_EQ(reply(), "one");
    web_getData(nullptr, "twice", "b");
    EXPECT_EQ(reply(), "two");
    EXPECT_EQ(twice.requests(), (std::vector<std::string>{"a", "b"}));
}

TEST(Broker, NoAnswerTimesOutAfter15Seconds)
{
    Responder silent("silent");
    testing::internal::CaptureStdout();
    auto start = Clock::now();
    EXPECT_EQ(web_getData(nullptr, "silent", "x"), 0);
    double took = secondsSince(start);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "web_timeout!\n");
    EXPECT_EQ(reply(), R"({"error":"timeout"})");
    EXPECT_GE(took, 14.9);
    EXPECT_LT(took, 16.0);
}

TEST(Broker, BrokerKilledDuringTheExchange)
{
    Responder silent("killed");
    std::thread killer([] {
        sleep(1);
        EXPECT_EQ(system("killall qv_broker"), 0);
        sleep(3);
        EXPECT_EQ(system(kStartBroker), 0);
    });
    testing::internal::CaptureStdout();
    auto start = Clock::now();
    web_getData(nullptr, "killed", "x");
    double took = secondsSince(start);
    killer.join();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "web_timeout!\n");
    EXPECT_EQ(reply(), R"({"error":"timeout"})");
    EXPECT_LT(took, 16.5) << "a reconnection must not extend the wait";
    EXPECT_TRUE(brokerListening());
}

TEST(Broker, OneShotPublishing)
{
    Responder module("pubtest");
    EXPECT_EQ(qv_pub("127.0.0.1", "pubtest", "hello"), 0);
    EXPECT_EQ(module.requestsOnceThere(1), std::vector<std::string>{"hello"});
    EXPECT_TRUE(brokerLogged("as mosqpub/" + std::to_string(getpid()) + "-router (p1, c1, k60)"));

    EXPECT_EQ(pub_msg("127.0.0.1", "pelvanto/router/pubtest", ""), 0);
    EXPECT_EQ(pub_msg("127.0.0.1", nullptr, "x"), 1);
    EXPECT_NE(pub_msg("127.0.0.1", "pelvanto/router/pubtest", "x"), 1);
    EXPECT_EQ(module.requestsOnceThere(3), (std::vector<std::string>{"hello", "", "x"}));

    Responder wild("wild");
    testing::internal::CaptureStderr();
    EXPECT_EQ(qv_pub("127.0.0.1", "wild/#", "x"), 0);
    EXPECT_EQ(pub_msg("127.0.0.1", "pelvanto/router/wild/+", "x"), 0) << "the library refuses the publish";
    const std::string refused = "Error: Invalid input. Does your topic contain '+' or '#'?\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), refused + refused);
    mosquitto *own = mosquitto_new(nullptr, true, nullptr);
    ASSERT_EQ(mosquitto_connect(own, "127.0.0.1", 1883, 60), MOSQ_ERR_SUCCESS);
    EXPECT_EQ(qavo_local_pub(own, "wild", "local"), 0);
    for (int i = 0; i < 5; ++i)
        mosquitto_loop(own, 20, 1);
    mosquitto_disconnect(own);
    mosquitto_destroy(own);
    EXPECT_EQ(wild.requestsOnceThere(2), std::vector<std::string>{"local"}) << "only the local publication";

    EXPECT_EQ(pub_msg("127.0.0.1", "pelvanto/router/x", "y"), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(pub_msg("no.such.host.invalid", "pelvanto/router/x", "y"), MOSQ_ERR_EAI);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to connect (" + std::to_string(MOSQ_ERR_EAI) + ").\n");
}

std::string commandOutput(const std::string &command)
{
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    char buffer[256];
    while (pipe && fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    if (pipe)
        pclose(pipe);
    return out;
}

// The stored digest is md5sum's digest of the lower-case MAC text of br0, whatever the
// case the address was set with, and it follows the address.
TEST(Identity, DigestOfTheLanAddress)
{
    char stored[128] = "untouched";
    unlink("/var/qavomd5");
    EXPECT_EQ(getQavoMD5(stored), -1);
    EXPECT_STREQ(stored, "untouched");
    ASSERT_EQ(system(": > /var/qavomd5"), 0);
    EXPECT_EQ(getQavoMD5(stored), -1) << "an empty file holds no digest";
    EXPECT_STREQ(stored, "");

    std::string digests[2];
    int i = 0;
    for (const char *mac : {"00:11:22:AA:BB:CC", "00:11:22:aa:bb:cd"}) {
        ASSERT_EQ(system(("ip link set br0 address " + std::string(mac)).c_str()), 0);
        Mqtt_mac_md5();
        std::string lower = commandOutput("printf %s \"$(cat /sys/class/net/br0/address)\" | md5sum");
        ASSERT_EQ(getQavoMD5(stored), 0);
        EXPECT_EQ(std::string(stored), lower.substr(0, 32)) << mac;
        EXPECT_EQ(commandOutput("wc -c < /var/qavomd5"), "32\n") << "no line end";
        digests[i++] = stored;
    }
    EXPECT_EQ(digests[0], commandOutput("printf %s 00:11:22:aa:bb:cc | md5sum").substr(0, 32))
        << "upper-case letters are folded before hashing";
    EXPECT_NE(digests[0], digests[1]);
}

// 1000 exchanges: under the sanitizer build any leak fails the run at exit; here the
// resident size must stay flat after the first hundred.
TEST(Broker, ThousandExchangesKeepMemoryFlat)
{
    Responder echo("loop", std::vector<std::string>(1000, "pong"));
    long after100 = 0;
    for (int i = 0; i < 1000; ++i) {
        web_getData(nullptr, "loop", "ping");
        ASSERT_EQ(reply(), "pong") << "exchange " << i;
        if (i == 99)
            after100 = residentKilobytes();
    }
#if defined(__SANITIZE_ADDRESS__)
    (void)after100; // the sanitizer keeps freed memory in quarantine: its leak check at exit decides
#else
    EXPECT_LT(residentKilobytes() - after100, 256) << "kB grown over 900 exchanges";
#endif
}

// Run alone by messaging.sh, against qv_broker started with the shipped
// /etc_ro/mosquitto.conf: the broker itself drops retained and oversized messages.
TEST(ShippedBroker, RefusesRetainedAndOversizedMessages)
{
    auto publish = [](const std::string &payload, bool retain) {
        mosquitto *client = mosquitto_new(nullptr, true, nullptr);
        ASSERT_EQ(mosquitto_connect(client, "127.0.0.1", 1883, 60), MOSQ_ERR_SUCCESS);
        mosquitto_publish(client, nullptr, "pelvanto/router/shipped/R", static_cast<int>(payload.size()),
                          payload.data(), 1, retain);
        for (int i = 0; i < 10; ++i)
            mosquitto_loop(client, 50, 1);
        mosquitto_disconnect(client);
        mosquitto_destroy(client);
    };
    Responder watcher("shipped/R");
    publish("retained", true);
    publish(std::string(600 * 1024, 'x'), false);
    publish("small", false);
    EXPECT_EQ(watcher.requestsOnceThere(3), std::vector<std::string>{"small"});
    Responder later("shipped/R");
    EXPECT_EQ(later.requestsOnceThere(1), std::vector<std::string>{}) << "a retained message was kept";
}

} // namespace
