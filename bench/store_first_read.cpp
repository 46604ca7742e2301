// Configuration store read costs: the first read in a fresh process (which
// loads the section from its file) and reads from memory afterwards.
// Prints figures; asserts nothing.
#include <nvram.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kProcesses = 200;
constexpr int kCachedReads = 2000000;

long nanoseconds_since(Clock::time_point start)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
}

// Runs `work` in a fresh child process that reports one number back.
long in_child(long (*work)())
{
    int channel[2];
    if (pipe(channel) != 0)
        return -1;
    pid_t child = fork();
    if (child == 0) {
        long result = work();
        ssize_t ignored = write(channel[1], &result, sizeof result);
        (void)ignored;
        _exit(0);
    }
    close(channel[1]);
    long result = -1;
    if (read(channel[0], &result, sizeof result) != sizeof result)
        result = -1;
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return result;
}

long first_read()
{
    Clock::time_point start = Clock::now();
    const char *value = nvram_bufget(0, "lan_ipaddr");
    long elapsed = nanoseconds_since(start);
    return value[0] != '\0' ? elapsed : -1;
}

long prepare_runtime_copy()
{
    return nvram_init(0) == 0 ? 0 : -1;
}

long cached_reads()
{
    const char *keys[] = {"lan_ipaddr",        "OperationMode", "wanConnectionMode", "dhcpLease",
                          "wan_pppoe_user_mm", "noSuchKey",     "WanPhyNum",         "HostName"};
    nvram_bufget(0, keys[0]);
    std::size_t total = 0;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < kCachedReads; ++i)
        total += nvram_bufget(0, keys[i % 8])[0];
    long elapsed = nanoseconds_since(start);
    return total > 0 ? elapsed : -1;
}

void report_first_reads(const char *label)
{
    std::vector<long> samples;
    for (int i = 0; i < kProcesses; ++i)
        samples.push_back(in_child(first_read));
    std::sort(samples.begin(), samples.end());
    std::printf("first read, %s: median %.1f us, p90 %.1f us, max %.1f us (%d processes)\n", label,
                samples[kProcesses / 2] / 1000.0, samples[kProcesses * 9 / 10] / 1000.0, samples.back() / 1000.0,
                kProcesses);
}

} // namespace

int main()
{
    char root[] = "/tmp/nvram-bench-XXXXXX";
    if (mkdtemp(root) == nullptr)
        return 1;
    setenv("NVRAM_ROOT", root, 1);
    fs::create_directories(fs::path(root) / "etc_ro/nvram");
    fs::copy_file(fs::path(NVRAM_DEFAULTS_DIR) / "section0.defaults",
                  fs::path(root) / "etc_ro/nvram/section0.defaults");

    report_first_reads("factory defaults only");
    if (in_child(prepare_runtime_copy) != 0)
        return 1;
    report_first_reads("runtime copy");
    long elapsed = in_child(cached_reads);
    std::printf("cached read: %.1f ns per read (%d reads)\n", static_cast<double>(elapsed) / kCachedReads,
                kCachedReads);

    fs::remove_all(root);
    return 0;
}
