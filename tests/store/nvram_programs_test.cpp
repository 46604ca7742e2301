// The command-line programs: argument handling, and the daemon's start-up
// and stop.
#include <nvram.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/store/store_test_support.h"

namespace {

using qavo::test::ProgramRun;
using qavo::test::readInNewProcess;
using qavo::test::runProgram;

class NvramPrograms : public qavo::test::StoreRoot {
protected:
    void SetUp() override
    {
        StoreRoot::SetUp();
        installFactoryDefaults();
    }
};

TEST_F(NvramPrograms, SectionWordsNameTheSections)
{
    EXPECT_EQ(runProgram("nvram_set", {"2860", "WAN_MAC_ADDR", "00:0c:43:76:20:78"}).exitCode, 0);
    EXPECT_EQ(readInNewProcess("0", "WAN_MAC_ADDR"), "00:0c:43:76:20:78");
    EXPECT_EQ(runProgram("nvram_set", {"0", "HostName", "router"}).exitCode, 0);
    EXPECT_EQ(readInNewProcess("2860", "HostName"), "router");
    EXPECT_EQ(runProgram("nvram_set", {"1", "WiFiOff", "1"}).exitCode, 0);
    EXPECT_EQ(readInNewProcess("1", "WiFiOff"), "1");
    EXPECT_EQ(readInNewProcess("0", "WiFiOff"), "0");
    // nvram_set commits: the value survives the loss of /var.
    removeTree("/var");
    EXPECT_EQ(readInNewProcess("0", "HostName"), "router");
    EXPECT_EQ(readInNewProcess("1", "WiFiOff"), "1");
}

TEST_F(NvramPrograms, NvramGetPrintsValueAndLineEnd)
{
    ProgramRun run = runProgram("nvram_get", {"2860", "lan_netmask"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "255.255.255.0\n");
    run = runProgram("nvram_get", {"0", "noSuchKey"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "\n");
}

TEST_F(NvramPrograms, UsageErrorsExitOneWithUsageLine)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> wrong = {
        {"nvram_get", {}},
        {"nvram_get", {"0"}},
        {"nvram_get", {"0", "a", "b"}},
        {"nvram_get", {"2", "lan_ipaddr"}},
        {"nvram_get", {"rtdev", "lan_ipaddr"}},
        {"nvram_get", {"", "lan_ipaddr"}},
        {"nvram_set", {}},
        {"nvram_set", {"0", "key"}},
        {"nvram_set", {"0", "key", "value", "extra"}},
        {"nvram_set", {"2861", "key", "value"}},
        {"nvram_set", {"0", "", "value"}},
        {"nvram_daemon", {"-f"}},
    };
    for (const auto &[program, args] : wrong) {
        ProgramRun run = runProgram(program, args);
        EXPECT_EQ(run.exitCode, 1) << program << " " << args.size();
        EXPECT_EQ(run.err.rfind("Usage: " + program, 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(exists("/etc/nvram/section0"));
}

class NvramDaemon : public NvramPrograms {
protected:
    // Starts the daemon and waits for its pid file; returns its pid.
    pid_t startDaemon()
    {
        pid_t daemon = fork();
        if (daemon == 0) {
            std::string program = std::string(NVRAM_PROGRAM_DIR) + "/nvram_daemon";
            execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
        for (int attempt = 0; attempt < 500 && !exists(kPidFile); ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return daemon;
    }

    // Stops it with the signal; returns its exit code (-1: did not exit).
    int stopDaemon(pid_t daemon, int signalNumber)
    {
        kill(daemon, signalNumber);
        int status = 0;
        if (waitpid(daemon, &status, 0) != daemon || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }

    const std::string kPidFile = "/var/run/nvramd.pid";
};

TEST_F(NvramDaemon, PreparesRuntimeCopyFromPersistentAndOwnsItsPidFile)
{
    ASSERT_EQ(runProgram("nvram_set", {"0", "lan_ipaddr", "10.1.1.1"}).exitCode, 0);
    removeTree("/var"); // reboot

    pid_t daemon = startDaemon();
    ASSERT_GT(daemon, 0);
    ASSERT_TRUE(exists(kPidFile));
    EXPECT_EQ(readFile(kPidFile), std::to_string(daemon) + "\n");
    EXPECT_TRUE(exists("/var/nvram/section0"));
    EXPECT_TRUE(exists("/var/nvram/section1"));
    removeTree("/etc"); // the values now come from the runtime copy
    EXPECT_EQ(readInNewProcess("0", "lan_ipaddr"), "10.1.1.1");
    EXPECT_EQ(readInNewProcess("0", "dhcpEnd"), "192.168.1.200");
    EXPECT_EQ(stopDaemon(daemon, SIGTERM), 0);
    EXPECT_FALSE(exists(kPidFile));
}

TEST_F(NvramDaemon, RestartKeepsUncommittedValuesAndStopsOnSigint)
{
    pid_t daemon = startDaemon();
    ASSERT_TRUE(exists(kPidFile));
    EXPECT_EQ(stopDaemon(daemon, SIGTERM), 0);

    ASSERT_EQ(nvram_init(0), 0);
    ASSERT_EQ(nvram_bufset(0, "HostName", "uncommitted"), 0);
    daemon = startDaemon();
    ASSERT_TRUE(exists(kPidFile));
    EXPECT_EQ(readInNewProcess("0", "HostName"), "uncommitted");
    EXPECT_EQ(stopDaemon(daemon, SIGINT), 0);
    EXPECT_FALSE(exists(kPidFile));
}

} // namespace
