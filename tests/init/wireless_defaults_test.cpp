// Wireless defaults in a dry run with a private store: the placeholder SSID rewrite and its
// commit, the 802.1X daemon decision, and the web language link. This host has no "ra0",
// so the per-unit suffix is empty here (the virtual router's boot shows it with one).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "init/factory_steps.h"
#include "nvram.h"
#include "tests/support/command_recorder.h"
#include "tests/support/store_fixture.h"

namespace {

using Lines = std::vector<std::string>;

class WirelessDefaults : public StoreTest {
protected:
    // What the last commit left in the section's persistent file ("" when none was made).
    std::string committed() { return qavo::test::readFile(root_ + "/etc/nvram/section0"); }

    qavo::test::CommandRecorder recorder_;
};

TEST_F(WirelessDefaults, PlaceholderSsidsBecomeTheBrandPartAndTheUnitSuffix)
{
    const struct {
        const char *ssid;
        const char *renamed; // nullptr: left alone
    } cases[] = {
        {"PELVANTO_ZORF", "PELVANTO_"},
        {"MERIDOSA_ZORF", "MERIDOSA_"},
        {"KVT_ZORF", "KVT_"},
        {"wifi_ZORF", "wifi_"},
        {"ZENTRA_ZORF", "ZENTRA_"},
        {"TarnMoss_ZORF", "TarnMoss_"},
        {"PELVANTO_ZORF2", nullptr},
        {"pelvanto_ZORF", nullptr},
        {"PELVANTO_zorf", nullptr},
        {"MyHome", nullptr},
        {"", nullptr},
        {"_ZORF", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.ssid);
        TearDown();
        SetUp();
        recorder_.clear();
        set("SSID1", c.ssid);
        set("WscSSID", "wps-before");
        modifyDefaultSsid();
        if (c.renamed) {
            EXPECT_STREQ(c.renamed, nvram_bufget(0, "SSID1"));
            EXPECT_STREQ(c.renamed, nvram_bufget(0, "WscSSID"));
            EXPECT_NE(std::string::npos, committed().find(std::string("SSID1=") + c.renamed + "\n"));
            EXPECT_EQ(Lines{"ombix_wificonfig mtk7620 init2g &"}, recorder_.commands());
        } else {
            EXPECT_STREQ(c.ssid, nvram_bufget(0, "SSID1"));
            EXPECT_STREQ("wps-before", nvram_bufget(0, "WscSSID"));
            EXPECT_EQ("", committed());
            EXPECT_TRUE(recorder_.commands().empty());
        }
    }
}

TEST_F(WirelessDefaults, AuthenticatorRestartedOnlyWhenANetworkNeedsIt)
{
    const Lines stopped = {"killall rt2860apd 1>/dev/null 2>&1"};
    const Lines restarted = {"killall rt2860apd 1>/dev/null 2>&1", "rt2860apd"};
    const struct {
        const char *count, *authModes, *ieee8021x;
        Lines commands;
    } cases[] = {
        {"2", "OPEN;WPA2", "0;0", restarted},
        {"2", "OPEN;OPEN", "0;1", restarted},
        {"2", "WPAPSK;WPA2PSK", "0;0", stopped},
        {"1", "OPEN;WPA2", "0;0", stopped}, // only field 0 counts
        {"1", "WPA", "", restarted},
        {"1", "WPA1WPA2", "0", restarted},
        {"1", "wpa2", "0", stopped},                 // exact, case-sensitive
        {"1", "WPA2 ", "0", stopped},                // the whole field
        {"1", "OPEN", "01", stopped},                // "1" exactly
        {"3", "OPEN", "0;0;1", restarted},           // "AuthMode" shorter than the count
        {"3", "OPEN;OPEN", "0", stopped},            // missing fields never count
        {"", "WPA2", "1", stopped},                  // no count: no network
        {"4000000000", "OPEN;OPEN", "0;0", stopped}, // a huge count ends with the fields
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.count) + " / " + c.authModes + " / " + c.ieee8021x);
        set("BssidNum", c.count);
        set("AuthMode", c.authModes);
        set("IEEE8021X", c.ieee8021x);
        recorder_.clear();
        restart8021XDaemon(0);
        EXPECT_EQ(c.commands, recorder_.commands());
    }
}

TEST_F(WirelessDefaults, OtherSectionsNeitherStopNorStartTheDaemon)
{
    ASSERT_EQ(0, nvram_bufset(1, "BssidNum", "1"));
    ASSERT_EQ(0, nvram_bufset(1, "AuthMode", "WPA2"));
    restart8021XDaemon(1);
    EXPECT_TRUE(recorder_.commands().empty());
}

TEST_F(WirelessDefaults, LanguageLinkFollowsTheSetting)
{
    const Lines chinese = {"rm -rf /etc_ro/web/js/language.js 1>/dev/null 2>&1",
                           "ln -s /etc_ro/web/js/language_cn.js /etc_ro/web/js/language.js 1>/dev/null 2>&1"};
    const Lines english = {"rm -rf /etc_ro/web/js/language.js 1>/dev/null 2>&1",
                           "ln -s /etc_ro/web/js/language_en.js /etc_ro/web/js/language.js 1>/dev/null 2>&1"};
    const struct {
        const char *value;
        const Lines &commands;
    } cases[] = {
        {"en", english}, {"en_us", english}, {"zh_cn", chinese}, {"EN", chinese},
        {"", chinese},   {"cnen", chinese},  {"encn", chinese},  {"fr", chinese},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        set("LanguageType", c.value);
        recorder_.clear();
        setLanguageCfg();
        EXPECT_EQ(c.commands, recorder_.commands());
    }
}

} // namespace
