// Cost of the run lock that every request/response exchange and every LAN, WAN and routing
// run now takes: one uncontended take and release (open, flock, check, close), and the
// same while other processes hold locks of other names, as concurrent requests to
// different modules do. Prints medians; asserts nothing.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "lib/run_lock.h"

namespace {

double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Median microseconds of one take and release of the lock called name.
double medianMicroseconds(const char *name, int rounds)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        double start = now();
        {
            qavo::RunLock lock(name, "bench", 1000);
        }
        times.push_back((now() - start) * 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = argc > 1 ? atoi(argv[1]) : 20000;
    char dir[] = "/tmp/bench-run-lock-XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    qavo::RunLock::setDirectoryForTests(dir);
    printf("take and release, uncontended: %.2f us (median of %d)\n", medianMicroseconds("alone", rounds), rounds);

    // Nineteen other processes take and release locks of their own names all the time.
    std::vector<pid_t> others;
    for (int i = 0; i < 19; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            std::string name = "other" + std::to_string(i);
            for (;;) {
                qavo::RunLock lock(name.c_str(), "bench", 1000);
            }
        }
        others.push_back(pid);
    }
    printf("take and release, 19 processes busy on other names: %.2f us (median of %d)\n",
           medianMicroseconds("mine", rounds), rounds);
    for (pid_t pid : others) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    std::string cleanup = std::string("rm -rf ") + dir;
    return system(cleanup.c_str()) == 0 ? 0 : 1;
}
