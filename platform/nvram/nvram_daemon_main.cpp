// nvram_daemon: prepares the runtime copy of every section, announces itself
// with its pid file and stays until SIGTERM or SIGINT, then removes the file.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "nvram.h"
#include "platform/nvram/store_files.h"

namespace {

constexpr const char *kPidFile = "/var/run/nvramd.pid";
constexpr int kSections[] = {0, 1};

volatile sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

bool writePidFile(const char *path)
{
    char line[32];
    int length = std::snprintf(line, sizeof line, "%ld\n", static_cast<long>(getpid()));
    return qavo::nvram::replaceFile(path, std::string_view(line, static_cast<std::size_t>(length)), 0644);
}

} // namespace

int main(int argc, char **)
{
    if (argc != 1) {
        std::fprintf(stderr, "Usage: nvram_daemon\n");
        return 1;
    }
    char pidPath[qavo::nvram::kPathSize];
    if (!qavo::nvram::storePath(kPidFile, pidPath)) {
        std::fprintf(stderr, "nvram_daemon: pid file path too long\n");
        return 1;
    }

    // Block the stop signals until we wait for them, so none is lost between
    // the check of the flag and the wait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigset_t waitingMask;
    sigprocmask(SIG_BLOCK, &stopSignals, &waitingMask);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = requestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    // Keep running when a section cannot be prepared: readers still get the
    // persistent values or the factory defaults, and the router must boot.
    for (int section : kSections) {
        if (nvram_init(section) != 0) {
            std::fprintf(stderr, "nvram_daemon: section %d: runtime copy not prepared\n", section);
        }
    }
    if (!writePidFile(pidPath)) {
        std::fprintf(stderr, "nvram_daemon: %s: %s\n", pidPath, std::strerror(errno));
        return 1;
    }
    while (!stopRequested)
        sigsuspend(&waitingMask);
    unlink(pidPath);
    return 0;
}
