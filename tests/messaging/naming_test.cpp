// Client identifiers and router topics.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "messaging/client_id.h"
#include "messaging/topic.h"

namespace {

using qavo::messaging::formatClientId;
using qavo::messaging::holdsWildcard;
using qavo::messaging::kTopicSize;
using qavo::messaging::routerTopic;

std::string clientId(const char *kind, pid_t pid, const char *host)
{
    char *id = formatClientId(kind, pid, host);
    std::string s = id ? id : "(null)";
    free(id);
    return s;
}

TEST(ClientId, FitsOrIsCutTo23Characters)
{
    EXPECT_EQ(clientId("mosqpub", 1234, "router"), "mosqpub/1234-router");
    EXPECT_EQ(clientId("mosqpub", 987, "livingroom-gateway"), "mosqpub/987-livingroom-");
    // A long process id with a short host name is cut by the buffer (2 + 15 bytes).
    EXPECT_EQ(clientId("mosqpub", 1234567, "ab"), "mosqpub/1234567-");
    EXPECT_EQ(clientId("mosqsub", 42, ""), "mosqsub/42-");
    EXPECT_EQ(clientId("mosqsub", 4194303, std::string(300, 'h').c_str()), "mosqsub/4194303-hhhhhhh");
}

// The library refuses identifiers that are not valid UTF-8: a cut never leaves half a character.
TEST(ClientId, CutsNeverSplitACharacter)
{
    // "\xc3\xbc" is u-umlaut (2 bytes), "\xe2\x82\xac" the euro sign (3 bytes).
    EXPECT_EQ(clientId("mosqsub", 12345,
                       "router-k\xc3\xbc"
                       "che"),
              "mosqsub/12345-router-k");
    EXPECT_EQ(clientId("mosqsub", 1234,
                       "router-k\xc3\xbc"
                       "che"),
              "mosqsub/1234-router-k\xc3\xbc");
    EXPECT_EQ(clientId("mosqsub", 123456, "router-\xe2\x82\xac"), "mosqsub/123456-router-");
    // The buffer cut (host name length + 15 bytes) with a seven-digit process id.
    EXPECT_EQ(clientId("mosqsub", 1234567,
                       "a\xc3\xbc"
                       "b"),
              "mosqsub/1234567-a");
    // Not cut: the host name's bytes are kept as they are.
    EXPECT_EQ(clientId("mosqpub", 1, "k\xc3\xbc"), "mosqpub/1-k\xc3\xbc");
}

TEST(Topic, RequestAndReplyTopics)
{
    char topic[kTopicSize];
    ASSERT_TRUE(routerTopic(topic, "abc", false));
    EXPECT_STREQ(topic, "pelvanto/router/abc");
    ASSERT_TRUE(routerTopic(topic, "abc", true));
    EXPECT_STREQ(topic, "pelvanto/router/abc/R");
}

TEST(Topic, WildcardsNullAndOverlongSuffixesAreRefusedNotCut)
{
    char topic[kTopicSize] = "old";
    for (const char *suffix : {"a+b", "#", "lan/#", "+"}) {
        testing::internal::CaptureStderr();
        EXPECT_TRUE(holdsWildcard(suffix)) << suffix;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("wildcard"), std::string::npos) << suffix;
        // Publishers leave wildcards to the library, so the topic itself is built.
        EXPECT_TRUE(routerTopic(topic, suffix, false)) << suffix;
        EXPECT_EQ(std::string(topic), std::string("pelvanto/router/") + suffix);
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(holdsWildcard("lan/wifi"));
    EXPECT_FALSE(holdsWildcard(nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(routerTopic(topic, nullptr, true));
    EXPECT_STREQ(topic, "");

    // "pelvanto/router/" is 16 characters: 239 more make 255 (fits), 240 do not.
    std::string longest(239, 's');
    EXPECT_TRUE(routerTopic(topic, longest.c_str(), false));
    EXPECT_EQ(std::string(topic).size(), 255u);
    EXPECT_FALSE(routerTopic(topic, (longest + "s").c_str(), false));
    EXPECT_FALSE(routerTopic(topic, longest.c_str(), true)) << "the reply topic is two characters longer";
    EXPECT_STREQ(topic, "");
}

TEST(Topic, SuffixesThatAreNotUtf8TopicTextAreRefusedUpFront)
{
    struct Case {
        const char *suffix;
        size_t fault; // 1-based byte at fault, 0 for accepted
    } cases[] = {
        {"getcfg", 0},
        {"r\xc3\xa9seau/\xe2\x82\xac/\xf0\x9f\x93\xa1", 0}, // two-, three- and four-byte characters
        {"bad\xff", 4},
        {"bad\xc3", 4},           // cut after the lead byte
        {"x\xc0\xaf", 2},         // overlong "/"
        {"x\xe0\x80\xaf", 2},     // overlong "/" in three bytes
        {"x\xed\xa0\x80", 2},     // a surrogate
        {"x\xf4\x90\x80\x80", 2}, // past U+10FFFF
        {"x\x80", 2},             // a lone continuation byte
        {"tab\there", 4},         // control characters
        {"del\x7f", 4},
        {"c1\xc2\x85", 3},
        {"nc\xef\xbf\xbf", 3}, // U+FFFF
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.suffix);
        EXPECT_EQ(c.fault, qavo::messaging::topicTextFault(c.suffix));
        char topic[kTopicSize] = "stale";
        testing::internal::CaptureStderr();
        EXPECT_EQ(c.fault == 0, routerTopic(topic, c.suffix, true));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.fault == 0, err.empty()) << err;
        if (c.fault) {
            EXPECT_STREQ(topic, "");
        }
    }
}

} // namespace
