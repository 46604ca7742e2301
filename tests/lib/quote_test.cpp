// The quoting mechanism: ordinary values byte-exact, hostile values reaching the program
// as exactly one argument, typed values checked, nothing cut.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "lib/quote.h"

using namespace qavo::quote;

namespace {

const std::vector<std::string> &hostileValues()
{
    static const std::vector<std::string> values = {
        ";reboot",
        "a|b",
        "a&b",
        "$(touch /tmp/qavo-pwned)",
        "`touch /tmp/qavo-pwned`",
        "two\nlines",
        "it's",
        "say \"hi\"",
        "back\\slash",
        "*",
        "~",
        "$IFS",
        "-rf",
        std::string(4096, 'x'),
        "\xff\xfe not utf-8",
        "",
        " lead and trail ",
        "a\tb",
        "#comment",
        "%s%n",
        "'\"'\"",
    };
    return values;
}

// Runs a command line through /bin/sh and returns what it wrote to standard output.
std::string shellOutput(const char *command)
{
    FILE *pipe = popen(command, "r");
    std::string out;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        out.append(chunk, n);
    pclose(pipe);
    return out;
}

} // namespace

TEST(QuoteShell, OrdinaryValuesAreCopiedByteForByte)
{
    char line[128];
    ASSERT_TRUE(format(Syntax::Shell, line, "ifconfig br0 %s netmask %s up",
                       {ipv4("lan_ipaddr", "192.168.1.1"), netmask("lan_netmask", "255.255.255.0")}));
    EXPECT_STREQ("ifconfig br0 192.168.1.1 netmask 255.255.255.0 up", line);
    ASSERT_TRUE(
        format(Syntax::Shell, line, "echo \"%s %s.co %s\" >> /etc/hosts",
               {ipv4("lan_ipaddr", "192.168.1.1"), hostname("HostName", "router"), hostname("HostName", "router")}));
    EXPECT_STREQ("echo \"192.168.1.1 router.co router\" >> /etc/hosts", line);
    ASSERT_TRUE(format(Syntax::Shell, line, "echo -n '%s'>/var/wanInface", {text("wan", "eth2.2")}));
    EXPECT_STREQ("echo -n 'eth2.2'>/var/wanInface", line);
}

TEST(QuoteShell, HashIsPlainInsideAWordOnly)
{
    char line[64];
    ASSERT_TRUE(format(Syntax::Shell, line, "qavo_sub -t pelvanto/router/%s &", {text("suffix", "#")}));
    EXPECT_STREQ("qavo_sub -t pelvanto/router/# &", line);
    ASSERT_TRUE(format(Syntax::Shell, line, "x %s", {text("v", "a#b")}));
    EXPECT_STREQ("x a#b", line);
    ASSERT_TRUE(format(Syntax::Shell, line, "x %s", {text("v", "#a")}));
    EXPECT_STREQ("x '#a'", line);
    ASSERT_TRUE(format(Syntax::Shell, line, "true;%s", {text("v", "#a")}));
    EXPECT_STREQ("true;'#a'", line);
}

TEST(QuoteShell, EmptyValueStaysEmptyAndPercentIsLiteral)
{
    char line[64];
    ASSERT_TRUE(format(Syntax::Shell, line, "a %s b 100%%", {text("x", "")}));
    EXPECT_STREQ("a  b 100%", line);
    ASSERT_TRUE(format(Syntax::Shell, line, "n=%s", {integer(-42)}));
    EXPECT_STREQ("n=-42", line);
}

TEST(QuoteShell, HostileValuesReachTheProgramAsOneExactArgument)
{
    remove("/tmp/qavo-pwned");
    for (const auto &value : hostileValues()) {
        char bare[8192], single[8192], dquoted[8192];
        ASSERT_TRUE(format(Syntax::Shell, bare, "printf '<%%s>' %s", {text("v", value)}));
        ASSERT_TRUE(format(Syntax::Shell, single, "printf '<%%s>' '%s'", {text("v", value)}));
        ASSERT_TRUE(format(Syntax::Shell, dquoted, "printf '<%%s>' \"%s\"", {text("v", value)}));
        std::string expectedBare = value.empty() ? "<>" : "<" + value + ">";
        EXPECT_EQ(expectedBare, shellOutput(bare)) << bare;
        EXPECT_EQ("<" + value + ">", shellOutput(single)) << single;
        EXPECT_EQ("<" + value + ">", shellOutput(dquoted)) << dquoted;
    }
    EXPECT_NE(0, access("/tmp/qavo-pwned", F_OK)) << "an injected command ran";
}

TEST(QuoteShell, QuotesOpenedByTheFormatCarryAcrossPieces)
{
    char line[128];
    Builder builder(Syntax::Shell, line, sizeof line);
    builder.add("echo \"");
    builder.add("%s", {text("v", "$HOME")});
    builder.add("\" '%s'", {text("v", "it's")});
    ASSERT_TRUE(builder.ok());
    EXPECT_STREQ("echo \"\\$HOME\" 'it'\\''s'", line);
}

TEST(QuoteRefusal, TypedValuesMustParseWhole)
{
    char line[128];
    EXPECT_FALSE(format(Syntax::Shell, line, "ifconfig br0 %s", {ipv4("lan_ipaddr", "1.2.3.4;reboot")}));
    EXPECT_STREQ("", line);
    EXPECT_FALSE(format(Syntax::Shell, line, "ifconfig br0 %s", {ipv4("lan_ipaddr", "1.2.3")}));
    EXPECT_FALSE(format(Syntax::Shell, line, "x %s", {netmask("lan_netmask", "255.0.255.0")}));
    EXPECT_FALSE(format(Syntax::Shell, line, "x %s", {mac("mac", "00:11:22:33:44:5")}));
    EXPECT_FALSE(format(Syntax::Shell, line, "x %s", {mtu("mtu", "1500x")}));
    EXPECT_FALSE(format(Syntax::Shell, line, "x %s", {ifname("if", "-eth0")}));
    EXPECT_FALSE(format(Syntax::Shell, line, "x %s", {ifname("if", "averyveryverylong0")}));
    EXPECT_FALSE(format(Syntax::Shell, line, "hostname %s", {hostname("HostName", "-F/etc/shadow")}));
    EXPECT_FALSE(format(Syntax::Shell, line, "x %s", {qavo::quote::line("dns", "8.8.8.8\nnameserver 6.6.6.6")}));
    EXPECT_TRUE(format(Syntax::Shell, line, "x %s", {mac("mac", "00:0C:43:76:20:02")}));
    EXPECT_TRUE(format(Syntax::Shell, line, "x %s", {mtu("mtu", "1500")}));
}

TEST(QuoteRefusal, RefusalNamesTheSetting)
{
    char line[64];
    testing::internal::CaptureStderr();
    format(Syntax::Shell, line, "ifconfig br0 %s", {ipv4("lan_ipaddr", "x")});
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("lan_ipaddr")) << err;
    EXPECT_EQ(0u, err.rfind("Error: ", 0)) << err;
}

TEST(QuoteRefusal, TooLongIsRefusedNotCut)
{
    char line[32];
    std::string value(40, 'a');
    EXPECT_FALSE(format(Syntax::Shell, line, "echo %s", {text("v", value)}));
    EXPECT_STREQ("", line);
    char exact[10];
    EXPECT_TRUE(format(Syntax::Shell, exact, "echo %s", {text("v", "abcd")}));
    EXPECT_STREQ("echo abcd", exact);
    EXPECT_FALSE(format(Syntax::Shell, exact, "echo %s", {text("v", "abcde")}));
}

TEST(QuoteRefusal, SlotsAndValuesMustMatch)
{
    char line[64];
    EXPECT_FALSE(format(Syntax::Shell, line, "a %s %s", {text("v", "x")}));
    EXPECT_FALSE(format(Syntax::Shell, line, "a %s", {text("v", "x"), text("w", "y")}));
}

TEST(QuotePppd, BareWordsStayOneWord)
{
    char line[128];
    ASSERT_TRUE(format(Syntax::Pppd, line, "user %s\n", {text("user", "alice@isp")}));
    EXPECT_STREQ("user alice@isp\n", line);
    ASSERT_TRUE(format(Syntax::Pppd, line, "password %s\n", {text("pass", "my secret")}));
    EXPECT_STREQ("password \"my secret\"\n", line);
    ASSERT_TRUE(format(Syntax::Pppd, line, "password %s\n", {text("pass", "")}));
    EXPECT_STREQ("password \"\"\n", line);
    ASSERT_TRUE(format(Syntax::Pppd, line, "password %s\n", {text("pass", "#x\"y\\z\nnoauth")}));
    EXPECT_STREQ("password \"#x\\\"y\\\\z\\012noauth\"\n", line);
}

TEST(QuotePppd, QuotedSlotsEscapeTheirQuote)
{
    char line[128];
    ASSERT_TRUE(format(Syntax::Pppd, line, "\"%s\" PPTP \"%s\" \"*\"\n", {text("u", "bob"), text("p", "a\"b c")}));
    EXPECT_STREQ("\"bob\" PPTP \"a\\\"b c\" \"*\"\n", line);
}

TEST(QuotePlain, ControlCharactersAreRefused)
{
    char line[128];
    ASSERT_TRUE(format(Syntax::Plain, line, "option dns %s %s\n", {text("dns1", "8.8.8.8"), text("dns2", "")}));
    EXPECT_STREQ("option dns 8.8.8.8 \n", line);
    EXPECT_FALSE(format(Syntax::Plain, line, "start %s\n", {text("dhcpStart", "1.2.3.4\ninterface eth0")}));
    EXPECT_FALSE(format(Syntax::Plain, line, "start %s\n", {text("dhcpStart", "1.2.3.4\r")}));
    ASSERT_TRUE(format(Syntax::Plain, line, "x '%s' \"%s\"\n", {text("a", "it's"), text("b", "\"")}));
    EXPECT_STREQ("x 'it's' \"\"\"\n", line);
}

TEST(QuoteCredential, OnlyLineBreaksAreRefused)
{
    char line[128];
    for (const char *value : {"a\tb", "\x01", "x plugin evil.so", "", "-leading"}) {
        EXPECT_TRUE(format(Syntax::Pppd, line, "password %s\n", {credential("pass", value)})) << value;
    }
    for (const char *value : {"a\nb", "a\rb", "\n"}) {
        EXPECT_FALSE(format(Syntax::Pppd, line, "password %s\n", {credential("pass", value)})) << value;
        EXPECT_STREQ("", line);
    }
}

TEST(QuoteXl2tpd, ValuesTheConfigurationReaderWouldChangeAreRefused)
{
    char line[128];
    ASSERT_TRUE(format(Syntax::Xl2tpd, line, "name = %s\n", {text("user", "a b#\"c'\\d")}));
    EXPECT_STREQ("name = a b#\"c'\\d\n", line);
    ASSERT_TRUE(format(Syntax::Xl2tpd, line, "name = %s\n", {text("user", "")}));
    EXPECT_STREQ("name = \n", line);
    for (const char *value : {"a;b", " a", "a ", "a\tb", "a\nlns = evil", "\x7f"})
        EXPECT_FALSE(format(Syntax::Xl2tpd, line, "name = %s\n", {text("user", value)})) << value;
}
