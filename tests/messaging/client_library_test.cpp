// The MQTT client library and cJSON that the programs load are the router's builds of
// them: libmosquitto without TLS and SOCKS (libssl and libcrypto would not fit the
// router's flash), with threading (the broker tests drive a client from its own thread),
// and each library the same version as the header the code was compiled against. Fails
// when a build picks up another libmosquitto, such as Debian's with TLS.
#include <gtest/gtest.h>

#include <cjson/cJSON.h>
#include <mosquitto.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

class ClientLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mosquitto_lib_init();
        client_ = mosquitto_new("client-library-test", true, nullptr);
        ASSERT_NE(client_, nullptr);
    }
    void TearDown() override
    {
        mosquitto_destroy(client_);
        mosquitto_lib_cleanup();
    }
    mosquitto *client_ = nullptr;
};

TEST_F(ClientLibraryTest, OptionalTransportsAreLeftOut)
{
    // With TLS the first two would give MOSQ_ERR_INVAL (no such file) and
    // MOSQ_ERR_SUCCESS; with SOCKS the last would succeed.
    const struct {
        const char *what;
        std::function<int(mosquitto *)> call;
    } cases[] = {
        {"tls_set",
         [](mosquitto *m) { return mosquitto_tls_set(m, "/nonexistent/ca.pem", nullptr, nullptr, nullptr, nullptr); }},
        {"tls_psk_set", [](mosquitto *m) { return mosquitto_tls_psk_set(m, "0123abcd", "router", nullptr); }},
        {"tls_insecure_set", [](mosquitto *m) { return mosquitto_tls_insecure_set(m, true); }},
        {"tls_opts_set", [](mosquitto *m) { return mosquitto_tls_opts_set(m, 1, "tlsv1.2", nullptr); }},
        {"socks5_set", [](mosquitto *m) { return mosquitto_socks5_set(m, "127.0.0.1", 1080, nullptr, nullptr); }},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.call(client_), MOSQ_ERR_NOT_SUPPORTED) << c.what;
}

TEST_F(ClientLibraryTest, RunsItsLoopInAThread)
{
    ASSERT_EQ(mosquitto_loop_start(client_), MOSQ_ERR_SUCCESS);
    EXPECT_EQ(mosquitto_loop_stop(client_, true), MOSQ_ERR_SUCCESS);
}

TEST(ClientLibraries, MatchTheHeadersCompiledAgainst)
{
    int major = 0, minor = 0, revision = 0;
    EXPECT_EQ(mosquitto_lib_version(&major, &minor, &revision), LIBMOSQUITTO_VERSION_NUMBER);

    char header[32];
    std::snprintf(header, sizeof header, "%d.%d.%d", CJSON_VERSION_MAJOR, CJSON_VERSION_MINOR, CJSON_VERSION_PATCH);
    EXPECT_EQ(std::string(cJSON_Version()), header);
}

} // namespace
