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

volatile sig_atomic_t g_stop_requested = 0;

void request_stop(int) { g_stop_requested = 1; }

bool write_pid_file(const char *path) {
  char line[32];
  int length = std::snprintf(line, sizeof line, "%ld\n", static_cast<long>(getpid()));
  return nvram::replace_file(path, std::string_view(line, static_cast<std::size_t>(length)), 0644);
}

}  // namespace

int main(int argc, char **) {
  if (argc != 1) {
    std::fprintf(stderr, "Usage: nvram_daemon\n");
    return 1;
  }
  char pid_path[nvram::kPathSize];
  if (!nvram::store_path(kPidFile, pid_path)) {
    std::fprintf(stderr, "nvram_daemon: pid file path too long\n");
    return 1;
  }

  // Block the stop signals until we wait for them, so none is lost between
  // the check of the flag and the wait.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  sigset_t waiting_mask;
  sigprocmask(SIG_BLOCK, &stop_signals, &waiting_mask);
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = request_stop;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  // Keep running when a section cannot be prepared: readers still get the
  // persistent values or the factory defaults, and the router must boot.
  for (int section : kSections) {
    if (nvram_init(section) != 0) {
      std::fprintf(stderr, "nvram_daemon: section %d: runtime copy not prepared\n", section);
    }
  }
  if (!write_pid_file(pid_path)) {
    std::fprintf(stderr, "nvram_daemon: %s: %s\n", pid_path, std::strerror(errno));
    return 1;
  }
  while (!g_stop_requested) sigsuspend(&waiting_mask);
  unlink(pid_path);
  return 0;
}
