// QavoSystem, the launchers and the hook list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "qavo/runner.h"
#include "tests/support/test_files.h"

using qavo::test::readFile;
using qavo::test::TempDir;

namespace {

// Runs body in a child whose standard output goes to a file; returns that file's content.
template <typename Body>
std::string stdoutOfChild(Body body)
{
    char path[] = "/tmp/qavo-runner-XXXXXX";
    int fd = mkstemp(path);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fd, STDOUT_FILENO);
        body();
        fflush(stdout);
        _exit(0);
    }
    int status;
    waitpid(pid, &status, 0);
    close(fd);
    std::string out = readFile(path);
    unlink(path);
    return out;
}

} // namespace

TEST(QavoSystem, ReturnsTheRawWaitStatus)
{
    EXPECT_EQ(0, QavoSystem("true", 0));
    EXPECT_EQ(768, QavoSystem("exit 3", 0));
    int status = QavoSystem("kill -TERM $$", 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(SIGTERM, WTERMSIG(status));
}

TEST(QavoSystem, NullCommandPrintsWithoutLineEndAndForksNothing)
{
    std::string out = stdoutOfChild([] {
        int result = QavoSystem(nullptr, 1);
        printf("|%d|%d", result, waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD);
    });
    EXPECT_EQ("QavoSystem: Null Command, Error!|-1|1", out);
}

TEST(QavoSystem, EchoLineComesFirstAndOutputKeepsItsOrder)
{
    std::string out = stdoutOfChild([] {
        printf("before ");
        QavoSystem("echo one", 1);
        printf("between\n");
        QavoSystem("echo two", 0);
        printf("after\n");
    });
    EXPECT_EQ("before [system]: echo one\r\none\nbetween\ntwo\nafter\n", out);
}

TEST(QavoSystem, WaitingResumesAfterASignalAndLeavesNoZombie)
{
    struct sigaction action = {};
    action.sa_handler = [](int) {};
    struct sigaction previous;
    sigaction(SIGALRM, &action, &previous); // no SA_RESTART: waitpid sees EINTR
    struct itimerval timer = {{0, 50000}, {0, 50000}};
    setitimer(ITIMER_REAL, &timer, nullptr);
    int status = QavoSystem("sleep 0.3; exit 5", 0);
    struct itimerval off = {};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
    EXPECT_EQ(5 * 256, status);
    EXPECT_EQ(-1, waitpid(-1, nullptr, WNOHANG));
    EXPECT_EQ(ECHILD, errno);
}

TEST(QavoSystem, CallerHandlersStayInForceWhileWaiting)
{
    static volatile sig_atomic_t seen = 0;
    struct sigaction action = {};
    action.sa_handler = [](int) { seen = 1; };
    struct sigaction previous;
    sigaction(SIGUSR1, &action, &previous);
    std::string command = "kill -USR1 " + std::to_string(getpid());
    QavoSystem(command.c_str(), 0);
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(1, seen);
}

class Launchers : public testing::Test {
protected:
    void SetUp() override
    {
        oldPath_ = getenv("PATH");
        for (const char *tool :
             {"ombix_networkconfig", "ombix_usbconfig", "ombix_wificonfig", "ombix_firewallconfig"}) {
            std::string script = dir_.path() + "/" + tool;
            std::ofstream(script) << "#!/bin/sh\nfor a; do printf '<%s>' \"$a\"; done >> " << dir_.path()
                                  << "/calls\necho >> " << dir_.path() << "/calls\n";
            chmod(script.c_str(), 0755);
        }
        setenv("PATH", (dir_.path() + ":" + oldPath_).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", oldPath_.c_str(), 1); }

    // Waits (bounded) for the background tools to record n calls.
    std::string calls(size_t n)
    {
        std::string text;
        for (int i = 0; i < 200; ++i) {
            text = readFile(dir_.path() + "/calls");
            if (static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= n)
                break;
            usleep(10000);
        }
        return text;
    }

    TempDir dir_;
    std::string oldPath_;
};

TEST_F(Launchers, StartEachToolInTheBackgroundWithThePlatformWord)
{
    EXPECT_EQ(0, setNetworkOmbix("initwan"));
    EXPECT_EQ("<mtk7620><initwan>\n", calls(1));
    EXPECT_EQ(0, setUsbOmbix("doMount"));
    EXPECT_EQ(0, setWiFiOmbix("init2g"));
    EXPECT_EQ(0, setFWOmbix("initfw"));
    std::string all = calls(4);
    for (const char *word : {"<doMount>", "<init2g>", "<initfw>"})
        EXPECT_NE(std::string::npos, all.find(word)) << all;
}

TEST_F(Launchers, HostileWordIsOneArgumentAndLongWordIsRefused)
{
    EXPECT_EQ(0, setNetworkOmbix("x; touch pwned"));
    EXPECT_EQ("<mtk7620><x; touch pwned>\n", calls(1));
    EXPECT_NE(0, access("pwned", F_OK));
    EXPECT_EQ(-1, setNetworkOmbix(std::string(300, 'w').c_str()));
    EXPECT_EQ(-1, setUsbOmbix(nullptr));
}

TEST(HookList, KeepsRegistrationOrderAndDuplicates)
{
    hook_list_init();
    struct qavo_hook *a = qavo_hook_register("A", 1);
    qavo_hook_register("B", 2);
    qavo_hook_register("A", 3);
    ASSERT_EQ(a, first_qavo_hook);
    std::string walk;
    for (struct qavo_hook *h = first_qavo_hook; h; h = h->next)
        walk += std::string(h->name) + "=" + std::to_string(h->value) + " ";
    EXPECT_EQ("A=1 B=2 A=3 ", walk);
    const char name[] = "copy";
    struct qavo_hook *c = qavo_hook_register(name, 0);
    EXPECT_NE(name, c->name);
    struct qavo_hook *records = first_qavo_hook;
    EXPECT_EQ(&first_qavo_hook, hook_list_init());
    EXPECT_EQ(nullptr, first_qavo_hook);
    // The library leaves dropped records allocated by design; the test frees them.
    while (records) {
        struct qavo_hook *next = records->next;
        free(records->name);
        free(records);
        records = next;
    }
}

TEST(SafeStrdup, CopiesOrEndsTheProcess)
{
    char *empty = safe_strdup("");
    ASSERT_NE(nullptr, empty);
    EXPECT_STREQ("", empty);
    free(empty);
    EXPECT_EXIT(safe_strdup(nullptr), testing::ExitedWithCode(1), "");
}
