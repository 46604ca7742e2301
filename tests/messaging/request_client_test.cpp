// The request client's protocol, failure paths and its use of SIGALRM and the timer,
// against a scripted broker on a loopback port.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <mosquitto.h>
#include <string>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "lib/run_lock.h"
#include "messaging/reply_watch.h"
#include "messaging/topic.h"
#include "qavo/mqtt.h"
#include "scripted_broker.h"
#include "tests/support/test_files.h"

// Set to an errno value to make the next mosquitto_new fail with it, as the library does
// when it has no memory (ENOMEM) or refuses the identifier (EINVAL). The messaging objects
// are linked into this program, so their calls land here first.
int failNextClient;

extern "C" mosquitto *mosquitto_new(const char *id, bool cleanSession, void *userdata)
{
    using New = mosquitto *(*)(const char *, bool, void *);
    static auto real = reinterpret_cast<New>(dlsym(RTLD_NEXT, "mosquitto_new"));
    if (failNextClient) {
        errno = failNextClient;
        failNextClient = 0;
        return nullptr;
    }
    return real(id, cleanSession, userdata);
}

namespace {

using Script = ScriptedBroker::Script;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string reply()
{
    return qvData ? qvData : "(null)";
}

// The exchanges' locks live in a directory of this test program's own.
class PrivateLockDirectory : public testing::Environment {
public:
    void SetUp() override
    {
        directory_ = std::make_unique<qavo::test::TempDir>("request-locks");
        qavo::RunLock::setDirectoryForTests(directory_->path().c_str());
    }
    void TearDown() override
    {
        qavo::RunLock::setDirectoryForTests(nullptr);
        directory_.reset();
    }

private:
    std::unique_ptr<qavo::test::TempDir> directory_;
};
const auto *const lockDirectory = testing::AddGlobalTestEnvironment(new PrivateLockDirectory);

// A process other than this one that holds the exchange lock of suffix's request topic
// for the given time; returns its pid once the lock is held.
pid_t holdExchangeLock(const char *suffix, int milliseconds)
{
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    pid_t holder = fork();
    if (holder == 0) {
        char topic[qavo::messaging::kTopicSize];
        qavo::messaging::routerTopic(topic, suffix, false);
        char name[qavo::messaging::kExchangeLockNameSize];
        qavo::messaging::exchangeLockName(topic, name);
        qavo::RunLock lock(name, topic, 1000);
        (void)!write(ready[1], "x", 1);
        usleep(static_cast<useconds_t>(milliseconds) * 1000);
        _exit(lock.gaveUp() ? 1 : 0);
    }
    char byte;
    (void)!read(ready[0], &byte, 1);
    close(ready[0]);
    close(ready[1]);
    return holder;
}

TEST(RequestClient, SpeaksMqtt31AndTakesTheReply)
{
    ScriptedBroker broker(Script::AnswerRequests, R"({"ok":1})");
    set_QAVOInfo("127.0.0.1", broker.port(), 30);
    auto start = Clock::now();
    EXPECT_EQ(web_getData(nullptr, "abc", "{}"), 0);
    EXPECT_EQ(reply(), R"({"ok":1})");
    EXPECT_LT(secondsSince(start), 0.9) << "the reply must end the exchange at once";
    EXPECT_EQ(web_mosq, nullptr);

    // CONNECT: protocol name "MQIsdp", level 3, clean session, keepalive 30, "mosqsub/..." id.
    std::string connect = broker.firstConnect();
    ASSERT_GT(connect.size(), 14u);
    EXPECT_EQ(connect.substr(2, 8), std::string("\x00\x06MQIsdp", 8));
    EXPECT_EQ(connect[10], '\x03');
    EXPECT_EQ(connect[11] & 0x02, 0x02);
    EXPECT_EQ(connect.substr(12, 2), std::string("\x00\x1e", 2));
    std::string id = connect.substr(16);
    EXPECT_EQ(id.rfind("mosqsub/", 0), 0u) << id;
    EXPECT_LE(id.size(), 23u);
}

TEST(RequestClient, EmptyAndZeroByteRepliesAreTexts)
{
    {
        ScriptedBroker broker(Script::AnswerRequests, "");
        set_QAVOInfo("127.0.0.1", broker.port(), 60);
        web_getData(nullptr, "empty", "x");
        ASSERT_NE(qvData, nullptr);
        EXPECT_STREQ(qvData, "");
    }
    ScriptedBroker broker(Script::AnswerRequests, std::string("ab\0cd", 5));
    set_QAVOInfo("127.0.0.1", broker.port(), 60);
    web_getData(nullptr, "zero", "x");
    EXPECT_EQ(reply(), "ab");
}

TEST(RequestClient, RefusedSuffixesAndHostsLeaveEverythingAsItWas)
{
    ScriptedBroker broker(Script::AnswerRequests, "first");
    set_QAVOInfo("127.0.0.1", broker.port(), 60);
    web_getData(nullptr, "ok", "x");
    ASSERT_EQ(reply(), "first");
    for (const char *suffix : {"a/+", "#", "lan#"}) {
        web_getData(nullptr, suffix, "x");
        EXPECT_EQ(reply(), "first") << suffix;
    }
    web_getData(nullptr, std::string(238, 'l').c_str(), "x");
    EXPECT_EQ(reply(), "first") << "a reply topic over 255 characters is refused";
    EXPECT_EQ(broker.connections(), 1) << "nothing refused may reach the broker";

    testing::internal::CaptureStderr();
    set_QAVOInfo(std::string(32, 'h').c_str(), 1, 1);
    set_QAVOInfo(nullptr, 2, 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Broker host '" + std::string(32, 'h') +
                                                          "' is longer than 31 characters; broker not changed.\n"
                                                          "Error: No broker host given; broker not changed.\n");
    EXPECT_STREQ(mos_conf.host, "127.0.0.1");
    EXPECT_EQ(mos_conf.port, broker.port());
    set_QAVOInfo(std::string(31, 'h').c_str(), 1, 1);
    EXPECT_EQ(std::string(mos_conf.host), std::string(31, 'h')) << "31 characters fit";
    set_QAVOInfo("127.0.0.1", broker.port(), 60);
}

TEST(RequestClient, NoBrokerReturnsAtOnceAndEmptyHostMeansDefaults)
{
    set_QAVOInfo("", 4242, 5);
    EXPECT_STREQ(mos_conf.host, "");
    free(qvData);
    qvData = nullptr;
    // Nothing listens on 1883 on the test host's loopback in this process's view, or the
    // exchange would be answered by someone else's broker: accept either, but fast.
    auto start = Clock::now();
    web_getData(nullptr, "nobody", "x");
    EXPECT_STREQ(mos_conf.host, "127.0.0.1");
    EXPECT_EQ(mos_conf.port, 1883);
    EXPECT_EQ(mos_conf.keepalive, 60);
    if (!qvData) {
        EXPECT_LT(secondsSince(start), 1.0);
    }
}

// No client: the cause is reported as the library gave it, nothing is sent, the reply
// text stays, and the publisher reports that it could not set up.
TEST(RequestClient, ClientThatCannotBeMadeEndsTheCallAtOnce)
{
    ScriptedBroker broker(Script::AnswerRequests, "kept");
    set_QAVOInfo("127.0.0.1", broker.port(), 60);
    web_getData(nullptr, "first", "x");
    ASSERT_EQ(reply(), "kept");
    const std::pair<int, const char *> causes[] = {
        {ENOMEM, "Error: Out of memory.\n"}, {EINVAL, "Error: Invalid id.\n"}, {EIO, ""}};
    for (const auto &[cause, message] : causes) {
        failNextClient = cause;
        testing::internal::CaptureStderr();
        EXPECT_EQ(web_getData(nullptr, "second", "x"), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message) << cause;
        EXPECT_EQ(reply(), "kept");
        EXPECT_EQ(web_mosq, nullptr);

        failNextClient = cause;
        testing::internal::CaptureStderr();
        EXPECT_EQ(pub_msg("127.0.0.1", "pelvanto/router/x", "y"), 1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message) << cause;
    }
    EXPECT_EQ(broker.connections(), 1) << "no connection without a client";
}

int timerTicks;
void countTick(int)
{
    ++timerTicks;
}

// A process that runs its own interval timer keeps handler and period over an exchange,
// and no alarm is left behind.
TEST(RequestClient, GivesSigalrmAndTheTimerBack)
{
    struct sigaction own {};
    own.sa_handler = countTick;
    sigaction(SIGALRM, &own, nullptr);
    itimerval period{{0, 200000}, {0, 200000}};
    setitimer(ITIMER_REAL, &period, nullptr);

    ScriptedBroker broker(Script::AnswerRequests, "r");
    set_QAVOInfo("127.0.0.1", broker.port(), 60);
    web_getData(nullptr, "timer", "x");

    struct sigaction now {};
    sigaction(SIGALRM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, countTick);
    itimerval left{};
    getitimer(ITIMER_REAL, &left);
    EXPECT_EQ(left.it_interval.tv_usec, 200000);
    EXPECT_GT(left.it_value.tv_usec + left.it_value.tv_sec, 0);
    int before = timerTicks;
    while (timerTicks < before + 2)
        pause();

    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    signal(SIGALRM, SIG_DFL);
    web_getData(nullptr, "timer", "x");
    getitimer(ITIMER_REAL, &left);
    EXPECT_EQ(left.it_value.tv_sec + left.it_value.tv_usec, 0) << "an alarm outlived the exchange";
}

// The two ways an exchange used to wait for ever now end after 15 seconds.
TEST(RequestClient, UnacknowledgedOrRefusedExchangesTimeOut)
{
    for (Script script : {Script::NeverAcknowledge, Script::RefuseAll}) {
        ScriptedBroker broker(script);
        set_QAVOInfo("127.0.0.1", broker.port(), 60);
        testing::internal::CaptureStdout();
        auto start = Clock::now();
        web_getData(nullptr, "slow", "x");
        double took = secondsSince(start);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "web_timeout!\n");
        EXPECT_EQ(reply(), R"({"error":"timeout"})");
        EXPECT_GE(took, 14.9);
        EXPECT_LT(took, 16.5);
        if (script == Script::RefuseAll) {
            EXPECT_GE(broker.connections(), 10) << "refused connections are tried again each second";
        }
    }
}

// A broken or hostile broker delivers a retained message on the reply topic and a message
// on another topic before the live reply: neither is taken for it.
TEST(RequestClient, OnlyALiveMessageOnTheReplyTopicIsTheReply)
{
    ScriptedBroker broker(Script::HostileAnswers, "live");
    set_QAVOInfo("127.0.0.1", broker.port(), 60);
    web_getData(nullptr, "getcfg", "{}");
    EXPECT_EQ(reply(), "live");
}

// Exchanges on one request topic wait for each other across processes, the wait counted
// in the 15 seconds; other topics do not wait.
TEST(RequestClient, ExchangesOnOneTopicRunOneAtATime)
{
    ScriptedBroker broker(Script::AnswerRequests, "answer");
    set_QAVOInfo("127.0.0.1", broker.port(), 60);
    pid_t holder = holdExchangeLock("busy", 1500);
    ASSERT_GT(holder, 0);

    auto start = Clock::now();
    web_getData(nullptr, "other", "x");
    EXPECT_LT(secondsSince(start), 0.9) << "another topic's exchange waited";
    EXPECT_EQ(reply(), "answer");

    free(qvData);
    qvData = nullptr;
    web_getData(nullptr, "busy", "x");
    EXPECT_GE(secondsSince(start), 1.4) << "the exchange did not wait for the one in progress";
    EXPECT_EQ(reply(), "answer");
    int status = 0;
    waitpid(holder, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Events: x subscribed again, s request sent, o our request's copy, f another client's
// request, r a reply; the exchange ends with the first verdict other than Wait.
TEST(ReplyWatch, OnlyTheFirstReplyAfterOurOwnRequestCameBackIsTheAnswer)
{
    using V = qavo::messaging::ReplyWatch::Verdict;
    const std::pair<const char *, V> cases[] = {
        {"sor", V::Reply}, {"sofr", V::Reply}, {"soxsor", V::Reply}, {"so", V::Wait},        {"r", V::Busy},
        {"f", V::Busy},    {"sxr", V::Busy},   {"sr", V::Ambiguous}, {"sfor", V::Ambiguous}, {"soor", V::Ambiguous},
    };
    for (const auto &[events, expected] : cases) {
        qavo::messaging::ReplyWatch watch("ours");
        V verdict = V::Wait;
        for (const char *event = events; *event && verdict == V::Wait; ++event) {
            if (*event == 'x')
                watch.restart();
            else if (*event == 's')
                watch.sent();
            else if (*event == 'r')
                verdict = watch.reply();
            else
                verdict = watch.request(*event == 'o' ? "ours" : "theirs");
        }
        EXPECT_EQ(verdict, expected) << events;
    }
}

} // namespace
