// Waiting for the configuration-store daemon, and the signal-proof Sleep used for it.
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "init/boot.h"
#include "lib/holders.h"
#include "lib/settings.h"
#include "lib/system.h"
#include "nvram.h"

namespace {
constexpr int kAttempts = 25;
constexpr const char *kStorePidFile = "/var/run/nvramd.pid";
} // namespace

int Sleep(unsigned n)
{
    struct timespec left = {static_cast<time_t>(n), 0};
    struct timespec remaining = {0, 0};
    while (nanosleep(&left, &remaining) != 0) {
        if (errno != EINTR)
            break;
        left = remaining;
    }
    return 0;
}

int setDefault()
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (qavo::File(qavo::sys::openFile(kStorePidFile, "re"))) {
            nvram_init(qavo::kRouterSection);
            puts("\n[Debug] nvram_init...");
            return 0;
        }
        fputs(attempt == 0 ? "goahead: waiting for nvram_daemon " : ". ", stdout);
        fflush(stdout);
        Sleep(1);
    }
    puts("initqavo: please execute nvram_daemon first!");
    return -1;
}
