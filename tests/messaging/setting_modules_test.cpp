// The example subscriber's setting modules: requests that would be cut at a zero byte are
// refused, and a setcfg request changes all of its settings or none; the web pages'
// modules load empty values as "", and store a change only when every field passes its
// check, then start the page's bring-up.
#include <gtest/gtest.h>

#include <cjson/cJSON.h>
#include <mosquitto.h>
#include <string>
#include <vector>

#include "messaging/qavo_sub/modules.h"
#include "messaging/qavo_sub/request_checks.h"
#include "nvram.h"
#include "tests/support/command_recorder.h"
#include "tests/support/store_fixture.h"

namespace {
std::vector<std::pair<std::string, std::string>> published;
}

// The modules' replies are recorded here instead of going to a broker.
extern "C" int mosquitto_publish(mosquitto *, int *, const char *topic, int length, const void *payload, int, bool)
{
    published.emplace_back(topic, std::string(static_cast<const char *>(payload), static_cast<size_t>(length)));
    return MOSQ_ERR_SUCCESS;
}

namespace {

class SettingModules : public StoreTest {
protected:
    // The reply to one request on pelvanto/router/<module>.
    std::string request(const char *module, const std::string &payload)
    {
        published.clear();
        std::string topic = std::string("pelvanto/router/") + module;
        qavo_sub::answer(nullptr, topic.c_str(), module, payload.c_str(), payload.size());
        EXPECT_EQ(published.size(), 1u);
        EXPECT_EQ(published.empty() ? "" : published[0].first, topic + "/R");
        return published.empty() ? "" : published[0].second;
    }
    static bool refused(const std::string &reply)
    {
        cJSON *object = cJSON_Parse(reply.c_str());
        bool no = cJSON_IsFalse(cJSON_GetObjectItem(object, "success"));
        cJSON_Delete(object);
        return no;
    }
};

TEST_F(SettingModules, RequestsCutAtAZeroByteOrHalfValidChangeNothing)
{
    struct Case {
        const char *what;
        std::string payload;
    } cases[] = {
        {"escaped zero in a key", R"({"lan_ipaddr\u0000junk":"6.6.6.6"})"},
        {"escaped zero in a value", R"({"lan_ipaddr":"abc\u0000def"})"},
        {"raw zero after the object", std::string("{\"lan_ipaddr\":\"6.6.6.6\"}\0junk", 30)},
        {"a good setting before a bad one", R"({"lan_ipaddr":"6.6.6.6","dhcpEnabled":1})"},
        {"a good setting before an empty name", R"({"lan_ipaddr":"6.6.6.6","":"x"})"},
        {"past the store's size limit", R"({"lan_ipaddr":"6.6.6.6","big":")" + std::string(300 * 1024, 'b') + "\"}"},
    };
    set("lan_ipaddr", "192.168.1.1");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        testing::internal::CaptureStderr();
        std::string reply = request("setcfg", c.payload);
        testing::internal::GetCapturedStderr();
        EXPECT_TRUE(refused(reply)) << reply;
        nvram_init(0);
        EXPECT_STREQ(nvram_bufget(0, "lan_ipaddr"), "192.168.1.1");
        EXPECT_STREQ(nvram_bufget(0, "big"), "");
    }
    EXPECT_TRUE(refused(request("getcfg", R"({"keys":["lan_ipaddr\u0000x"]})")));
}

TEST_F(SettingModules, WholeRequestsAreStoredAndEscapedBackslashesAreText)
{
    std::string reply = request("setcfg", R"({"lan_ipaddr":"10.0.0.1","note":"x\\u0000","note":"y","wtime":"3"})");
    EXPECT_FALSE(refused(reply)) << reply;
    nvram_init(0);
    EXPECT_STREQ(nvram_bufget(0, "lan_ipaddr"), "10.0.0.1");
    EXPECT_STREQ(nvram_bufget(0, "note"), "y");
    EXPECT_EQ(request("getcfg", R"({"keys":["lan_ipaddr"]})"), R"({"lan_ipaddr":"10.0.0.1"})");
}

TEST_F(SettingModules, PageLoadKeepsEmptyValuesEmpty)
{
    set("dhcpSecDns", "");
    cJSON *reply = cJSON_Parse(request("lan", "{}").c_str());
    EXPECT_STREQ(cJSON_GetStringValue(cJSON_GetObjectItem(reply, "dhcpSecDns")), "");
    EXPECT_STREQ(cJSON_GetStringValue(cJSON_GetObjectItem(reply, "HostName")), "");
    EXPECT_EQ(cJSON_GetArraySize(reply), 8);
    cJSON_Delete(reply);
}

TEST_F(SettingModules, PageSaveStoresEveryFieldOrNoneAndStartsTheBringUp)
{
    struct Case {
        const char *page, *payload, *fields; // fields: the reply's "fields" object
        const char *key, *stored;            // one setting afterwards ("-" = as before)
    } cases[] = {
        {"lan", R"({"lan_ipaddr":"10.1.1.1","dhcpSecDns":""})", R"({"lan_ipaddr":"saved","dhcpSecDns":"saved"})",
         "lan_ipaddr", "10.1.1.1"},
        {"wan", R"({"wanConnectionMode":"STATIC","wan_pppoe_pass":"it's $(reboot) \"x\""})",
         R"({"wanConnectionMode":"saved","wan_pppoe_pass":"saved"})", "wan_pppoe_pass", "it's $(reboot) \"x\""},
        {"lan", R"({"lan_ipaddr":"10.1.1.1","HostName":"<img src=x onerror=alert(1)>"})",
         R"({"lan_ipaddr":"not saved","HostName":"Error: setting HostName is not a host name; refused"})", "lan_ipaddr",
         "-"},
        {"wan", R"({"wanConnectionMode":"static;reboot"})",
         R"({"wanConnectionMode":"Error: setting wanConnectionMode is not one of the offered choices; refused"})",
         "wanConnectionMode", "-"},
        {"wan", R"({"wan_l2tp_pass":"a\nb","macCloneMac":"-a"})",
         R"({"wan_l2tp_pass":"Error: setting wan_l2tp_pass holds a line break; refused",)"
         R"("macCloneMac":"Error: setting macCloneMac is not a MAC address; refused"})",
         "wan_l2tp_pass", "-"},
        {"lan", R"({"Password":"x","lan_netmask":"","dhcpEnd":5})",
         R"({"Password":"Error: setting Password is not a setting of this page; refused",)"
         R"("lan_netmask":"Error: setting lan_netmask may not be empty; refused",)"
         R"("dhcpEnd":"Error: setting dhcpEnd is not a text value; refused"})",
         "Password", "-"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.payload);
        set(c.key, "before");
        qavo::test::CommandRecorder shell;
        cJSON *reply = cJSON_Parse(request(c.page, c.payload).c_str());
        char *fields = cJSON_PrintUnformatted(cJSON_GetObjectItem(reply, "fields"));
        EXPECT_STREQ(fields, c.fields);
        bool saved = strcmp(c.stored, "-") != 0;
        EXPECT_EQ(cJSON_IsTrue(cJSON_GetObjectItem(reply, "success")), saved);
        nvram_init(0);
        EXPECT_STREQ(nvram_bufget(0, c.key), saved ? c.stored : "before");
        std::vector<std::string> bringUp;
        if (saved)
            bringUp.push_back(std::string("ombix_networkconfig mtk7620 init") + c.page + " &");
        EXPECT_EQ(shell.commands(), bringUp);
        free(fields);
        cJSON_Delete(reply);
    }
}

TEST(RequestChecks, ZeroBytesRawOrEscapedInsideStrings)
{
    struct Case {
        std::string text;
        bool zero;
    } cases[] = {
        {R"({"a":"b"})", false},        {R"({"a\u0000":"b"})", true},
        {R"({"a":"\u0000"})", true},    {R"({"a":"\\u0000"})", false}, // a backslash, then the text u0000
        {R"({"a":"\\\u0000"})", true},  {R"({"a":"\"\u0000"})", true},
        {R"({"a":"b"} \u0000)", false}, // outside any string: not JSON, left to the reader
        {R"({"a":"\u000)", false},      {std::string("{}\0", 3), true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.zero, qavo_sub::holdsZeroByte(c.text.data(), c.text.size())) << c.text;
}

} // namespace
