// SPDX-License-Identifier: GPL-3.0-or-later
// bench_gui_start: the desktop tool's start, from the process start to its
// main window on screen, and its peak memory, against a bare Qt Widgets
// window built the same way.
//
//   bench_gui_start --tarcfg PROGRAM --bare PROGRAM [--runs 10]
//                   [--platform offscreen] [--label TEXT]
//
// PROGRAMs are bench_gui_tarcfg (tarcfg's own main.cpp) and
// bench_gui_bare_window, both with the probe of gui_probe.cpp, which writes
// the moment of the first Expose to file descriptor 3 and quits. Runs
// alternate between the two after one warm-up run of each; the start time
// is the probe's moment less the moment just before posix_spawn, the peak
// memory the child's ru_maxrss from wait4. Run it where tarcfg would find
// its routers (scripts/bench: inside the virtual LAN). The bare window is
// also run with one line of text (--text): the offscreen platform sets up
// no fonts for a window without text, so the start is judged against that
// one; the peak memory against the bare window.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_common.h"

extern char** environ;

namespace {

struct Start {
  bool ok = false;
  double milliseconds = 0;
  double peakMegabytes = 0;
};

Start RunOnce(const std::string& program, const char* argument, const char* probeClass,
              const std::string& platform) {
  Start start;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0)
    return start;
  std::vector<std::string> variables;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 && std::strncmp(*e, "BENCH_PROBE_", 12) != 0)
      variables.emplace_back(*e);
  variables.push_back("QT_QPA_PLATFORM=" + platform);
  variables.push_back("BENCH_PROBE_FD=3");
  variables.push_back(std::string("BENCH_PROBE_CLASS=") + probeClass);
  std::vector<char*> envp;
  for (std::string& v : variables)
    envp.push_back(v.data());
  envp.push_back(nullptr);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  if (argument)
    argv.push_back(const_cast<char*>(argument));
  argv.push_back(nullptr);

  // The child's messages are kept aside and shown only when the run fails.
  char errorPath[] = "/tmp/bench_gui_start.XXXXXX";
  const int errorFd = ::mkstemp(errorPath);
  if (errorFd >= 0)
    ::unlink(errorPath);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 3);
  if (errorFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, errorFd, 2);
  pid_t pid = 0;
  const std::int64_t begin = bench::NowNs();
  const int spawned =
      posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(spawned));
    ::close(pipeFds[0]);
    if (errorFd >= 0)
      ::close(errorFd);
    return start;
  }

  std::string line;
  pollfd watch{pipeFds[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && ::poll(&watch, 1, 60000) > 0) {
    char buffer[128];
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0)
      break;
    line.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  if (line.rfind("shown ", 0) != 0)
    ::kill(pid, SIGKILL);  // no window within a minute, or the wrong one
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  if (line.rfind("shown ", 0) != 0) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(),
                 line.empty() ? "no window within a minute" : line.c_str());
    char buffer[4096];
    ssize_t n = 0;
    if (errorFd >= 0 && ::lseek(errorFd, 0, SEEK_SET) == 0)
      while ((n = ::read(errorFd, buffer, sizeof buffer)) > 0)
        (void)!::write(STDERR_FILENO, buffer, static_cast<std::size_t>(n));
  }
  if (errorFd >= 0)
    ::close(errorFd);
  if (line.rfind("shown ", 0) != 0)
    return start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::fprintf(stderr, "%s ended with status %d after its window was shown\n", program.c_str(),
                 status);
  start.ok = true;
  start.milliseconds = static_cast<double>(std::stoll(line.substr(6)) - begin) / 1e6;
  start.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return start;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tarcfg = bench::Option(argc, argv, "--tarcfg", nullptr);
  const char* bare = bench::Option(argc, argv, "--bare", nullptr);
  const auto runs = static_cast<int>(bench::NumberOption(argc, argv, "--runs", 10));
  const std::string platform = bench::Option(argc, argv, "--platform", "offscreen");
  if (!tarcfg || !bare || runs <= 0) {
    std::fputs("usage: bench_gui_start --tarcfg PROGRAM --bare PROGRAM [--runs N] [--platform P]\n",
               stderr);
    return 2;
  }
  const std::string label = bench::Option(argc, argv, "--label", platform.c_str());
  const char* tarcfgClass = "tarcfg::MainWindow";
  const char* bareClass = "QWidget";
  // Warm-up: the libraries into the page cache, for all alike.
  if (!RunOnce(bare, nullptr, bareClass, platform).ok ||
      !RunOnce(bare, "--text", bareClass, platform).ok ||
      !RunOnce(tarcfg, nullptr, tarcfgClass, platform).ok)
    return 1;
  std::vector<double> tarcfgTimes, bareTimes, textTimes, tarcfgMemory, bareMemory, textMemory;
  for (int run = 0; run < runs; ++run) {
    const Start b = RunOnce(bare, nullptr, bareClass, platform);
    const Start x = RunOnce(bare, "--text", bareClass, platform);
    const Start t = RunOnce(tarcfg, nullptr, tarcfgClass, platform);
    if (!b.ok || !x.ok || !t.ok)
      return 1;
    bareTimes.push_back(b.milliseconds);
    bareMemory.push_back(b.peakMegabytes);
    textTimes.push_back(x.milliseconds);
    textMemory.push_back(x.peakMegabytes);
    tarcfgTimes.push_back(t.milliseconds);
    tarcfgMemory.push_back(t.peakMegabytes);
    std::printf(
        "run %2d: bare window %6.1f ms %5.1f MB   with text %6.1f ms %5.1f MB   tarcfg %6.1f ms "
        "%5.1f MB\n",
        run + 1, b.milliseconds, b.peakMegabytes, x.milliseconds, x.peakMegabytes, t.milliseconds,
        t.peakMegabytes);
  }
  const double bareTime = bench::Median(bareTimes), tarcfgTime = bench::Median(tarcfgTimes);
  const double textTime = bench::Median(textTimes), textRss = bench::Median(textMemory);
  const double bareRss = bench::Median(bareMemory), tarcfgRss = bench::Median(tarcfgMemory);
  std::printf("platform %s, %d runs each, medians:\n", platform.c_str(), runs);
  std::printf("  start to window shown: bare %.1f ms, bare with text %.1f ms, tarcfg %.1f ms\n",
              bareTime, textTime, tarcfgTime);
  std::printf("  peak resident memory:  bare %.1f MB, bare with text %.1f MB, tarcfg %.1f MB\n",
              bareRss, textRss, tarcfgRss);
  // The start is judged against the window with one line of text: a window
  // without text sets up no fonts on the offscreen platform, so the bare
  // window alone would count the font set-up every real window pays as
  // tarcfg's own cost.
  const double timeRatio = tarcfgTime / textTime, memoryRatio = tarcfgRss / bareRss;
  bench::Figure("bare window, " + label,
                bench::Format("%.0f ms", bareTime) + bench::Format(", %.1f MB", bareRss) +
                    bench::Format(" (tarcfg: %.2f x", tarcfgTime / bareTime) +
                    bench::Format(", %.2f x)", memoryRatio));
  bench::Result("tarcfg start to main window, " + label,
                bench::Format("%.2f", timeRatio) +
                    bench::Format(" x the window with one text line (%.0f ms", tarcfgTime) +
                    bench::Format(" vs %.0f ms)", textTime),
                "<= 1.3", timeRatio <= 1.3);
  bench::Result("tarcfg peak memory at start, " + label,
                bench::Format("%.2f", memoryRatio) + bench::Format(" x bare (%.1f MB", tarcfgRss) +
                    bench::Format(" vs %.1f MB)", bareRss),
                "<= 1.3", memoryRatio <= 1.3);
  return 0;
}
