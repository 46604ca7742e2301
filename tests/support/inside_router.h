// Base for test cases that run only inside the virtual router (its host name is "router"),
// started there by a system test that prepares what they expect; elsewhere they are skipped.
#ifndef QAVO_TESTS_INSIDE_ROUTER_H
#define QAVO_TESTS_INSIDE_ROUTER_H

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace qavo::test {

class InsideRouter : public ::testing::Test {
protected:
    void SetUp() override
    {
        char host[64] = "";
        gethostname(host, sizeof host);
        if (std::string(host) != "router")
            GTEST_SKIP() << "runs inside the virtual router only";
    }
};

} // namespace qavo::test

#endif
