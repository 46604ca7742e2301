// Cost of one command through QavoSystem against a bare fork/execv/waitpid of the same shell.
// Prints the median per-command time of each over interleaved rounds and their ratio.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "qavo/runner.h"

namespace {

double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void bare(const char *command)
{
    pid_t pid = fork();
    if (pid == 0) {
        char *const argv[] = {const_cast<char *>("sh"), const_cast<char *>("-c"), const_cast<char *>(command), nullptr};
        execv("/bin/sh", argv);
        _exit(127);
    }
    int status;
    waitpid(pid, &status, 0);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 40;
    const int perRound = 50;
    const char *command = "true";
    std::vector<double> bareTimes, runnerTimes;
    for (int r = 0; r < rounds; ++r) {
        double t0 = now();
        for (int i = 0; i < perRound; ++i)
            bare(command);
        double t1 = now();
        for (int i = 0; i < perRound; ++i)
            QavoSystem(command, 0);
        double t2 = now();
        bareTimes.push_back((t1 - t0) / perRound);
        runnerTimes.push_back((t2 - t1) / perRound);
    }
    double b = median(bareTimes), q = median(runnerTimes);
    printf("bare fork/execv/waitpid of sh -c true: %8.1f us per command\n", b * 1e6);
    printf("QavoSystem(\"true\", 0):                %8.1f us per command\n", q * 1e6);
    printf("ratio: %.3f (target at most 1.05)\n", q / b);
    return 0;
}
