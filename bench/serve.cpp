// SPDX-License-Identifier: GPL-3.0-or-later
// bench_serve: one round of `tarcfg-cli serve --once` with accounting over
// a large emulated network: its time and the tool's peak memory.
//
//   bench_serve --cli PATH/tarcfg-cli [--expected 1000] [--addressed 111]
//
// The round scans, queries the overview and reads the accounting counters
// of every router with an address (register, line targets, counters,
// deregister, one router after the other). The result checks that every
// router is listed up and every addressed one was read.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench_common.h"

extern char** environ;

namespace {

int CountLines(const std::string& text, const std::string& prefix, const std::string& suffix) {
  int count = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end == std::string::npos ? end : end - at);
    if (line.rfind(prefix, 0) == 0 && line.size() >= suffix.size() &&
        line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
      ++count;
    if (end == std::string::npos)
      break;
    at = end + 1;
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const char* cli = bench::Option(argc, argv, "--cli", nullptr);
  const auto expected = static_cast<int>(bench::NumberOption(argc, argv, "--expected", 1000));
  const auto addressed = static_cast<int>(bench::NumberOption(argc, argv, "--addressed", 111));
  if (!cli) {
    std::fputs("usage: bench_serve --cli PATH/tarcfg-cli [--expected N] [--addressed N]\n", stderr);
    return 2;
  }
  int out[2];
  if (::pipe(out) != 0) {
    std::perror("bench_serve");
    return 1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  char* args[] = {const_cast<char*>(cli),      const_cast<char*>("serve"),
                  const_cast<char*>("--once"), const_cast<char*>("--accounting-interval"),
                  const_cast<char*>("60"),     nullptr};
  const std::int64_t start = bench::NowNs();
  pid_t pid = 0;
  if (::posix_spawn(&pid, cli, &actions, nullptr, args, environ) != 0) {
    std::perror("bench_serve: posix_spawn");
    return 1;
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string metrics;
  char buffer[65536];
  ssize_t n;
  while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
    metrics.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  const double seconds = static_cast<double>(bench::NowNs() - start) / 1e9;
  const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;

  const int up = CountLines(metrics, "tarnex_router_up{", "} 1");
  const int read = CountLines(metrics, "tarnex_accounting_success{", "} 1");
  const int counters = CountLines(metrics, "tarnex_line_target_charges_total{", "");
  const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  const double peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  std::printf("round: %.2f s (CPU %.2f s), exit status %d, peak memory %.1f MiB\n", seconds, cpu,
              exitStatus, peakMiB);
  std::printf("metrics: %zu bytes; %d routers up, %d read, %d line targets\n", metrics.size(), up,
              read, counters);
  char measured[128];
  std::snprintf(measured, sizeof measured, "%.1f s, %.1f MiB peak", seconds, peakMiB);
  bench::Result("serve round of " + std::to_string(expected) + " routers (" +
                    std::to_string(addressed) + " read)",
                measured, "(measured only)",
                exitStatus == 0 && up == expected && read == addressed);
  return 0;
}
