// Request variables, stored settings into replies, and the list merge.
#include <gtest/gtest.h>

#include <cjson/cJSON.h>
#include <cstdlib>
#include <string>

#include "nvram.h"
#include "qavo/web.h"

namespace {

// A private, empty configuration store for each test.
class WebReplies : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/qavo-web-XXXXXX";
        root_ = mkdtemp(pattern);
        setenv("NVRAM_ROOT", root_.c_str(), 1);
        for (const char *dir : {"/var", "/var/nvram", "/etc", "/etc/nvram", "/etc_ro", "/etc_ro/nvram"})
            mkdir((root_ + dir).c_str(), 0755);
        nvram_init(0);
    }
    void TearDown() override
    {
        std::string command = "rm -rf '" + root_ + "'";
        ASSERT_EQ(system(command.c_str()), 0);
        unsetenv("NVRAM_ROOT");
    }
    std::string root_;
};

TEST_F(WebReplies, RequestVariableStringOtherTypeOrDefault)
{
    cJSON *request = cJSON_Parse(R"({"alpha":"x","beta":5,"delta":null,"epsilon":{"a":"b"}})");
    ASSERT_NE(request, nullptr);
    EXPECT_STREQ(websGetVar(request, "alpha", "d"), "x");
    EXPECT_STREQ(websGetVar(request, "beta", "d"), "");
    EXPECT_STREQ(websGetVar(request, "delta", "d"), "");
    EXPECT_STREQ(websGetVar(request, "epsilon", "d"), "");
    EXPECT_STREQ(websGetVar(request, "gamma", "d"), "d");
    cJSON_Delete(request);
}

TEST_F(WebReplies, RequestVariableWithoutNameStopsTheProcess)
{
    cJSON *request = cJSON_CreateObject();
    EXPECT_DEATH(websGetVar(request, "", "d"), "var && \\*var");
    EXPECT_DEATH(websGetVar(request, nullptr, "d"), "var && \\*var");
    cJSON_Delete(request);
}

TEST_F(WebReplies, StoredSettingsEmptyAsZeroUnlessKept)
{
    ASSERT_EQ(nvram_bufset(0, "lan_ipaddr", "192.168.8.1"), 0);
    ASSERT_EQ(nvram_bufset(0, "Blank", ""), 0);
    const char *keys[] = {"lan_ipaddr", "Blank", "NeverSet"};
    for (int keep : {0, 1}) {
        cJSON *object = cJSON_CreateObject();
        EXPECT_EQ(getCfgArray(object, keep, 3, keys), 0);
        char *printed = cJSON_PrintUnformatted(object);
        EXPECT_STREQ(printed, keep ? R"({"lan_ipaddr":"192.168.8.1","Blank":"","NeverSet":""})"
                                   : R"({"lan_ipaddr":"192.168.8.1","Blank":"0","NeverSet":"0"})");
        free(printed);
        cJSON_Delete(object);
    }
}

TEST_F(WebReplies, ListMergeKeepsStoredItemsOneAndTwo)
{
    ASSERT_EQ(nvram_bufset(0, "Channels", "11;6;1"), 0);
    ASSERT_EQ(nvram_bufset(0, "Single", "11"), 0);
    ASSERT_EQ(nvram_bufset(0, "Wide", "1;abcdefghijklmnopqrst;x"), 0);
    EXPECT_STREQ(checkVar("3", 0, "Channels"), "3;6;1");
    EXPECT_STREQ(checkVar("3;4;5", 0, "Channels"), "3;4;5");
    EXPECT_STREQ(checkVar("3", 0, "Single"), "3;;");
    EXPECT_STREQ(checkVar("3", 0, "Missing"), "3;;");
    EXPECT_STREQ(checkVar("3", 0, "Wide"), "3;abcdefghijklmno;x") << "items are cut to 15 characters";
    std::string huge(400, 'v');
    EXPECT_EQ(std::string(checkVar(huge.c_str(), 0, "Channels")).size(), 255u) << "cut, never written past";
}

} // namespace
