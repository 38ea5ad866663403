// SPDX-License-Identifier: GPL-3.0-or-later
// bench_scan: one scan of a large emulated network with the real tool,
// counting the routers it lists and where answers were lost.
//
//   bench_scan --cli PATH/tarcfg-cli [--expected 1000]
//
// Runs "tarcfg-cli scan" once (three queries, about four seconds). Every
// router answers every query, so 3 x expected answers reach this host; the
// UDP counters of the namespace (/proc/net/snmp) tell how many arrived and
// how many the kernel dropped for a full receive buffer. The receive buffer
// the tool's socket gets is read from a UdpSocket opened here the same way.
#include <sys/socket.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "bench_common.h"
#include "protocol/udp_socket.h"

namespace {

// The "Udp:" counters of /proc/net/snmp by name.
std::map<std::string, long> UdpCounters() {
  std::ifstream file("/proc/net/snmp");
  std::string names, values, line;
  while (std::getline(file, line)) {
    if (line.rfind("Udp: ", 0) != 0)
      continue;
    if (names.empty())
      names = line;
    else
      values = line;
  }
  std::istringstream n(names), v(values);
  std::map<std::string, long> counters;
  std::string name, value;
  n >> name;
  v >> value;
  while (n >> name && v >> value)
    counters[name] = std::stol(value);
  return counters;
}

long ReadNumber(const char* path) {
  long value = -1;
  std::ifstream(path) >> value;
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  const char* cli = bench::Option(argc, argv, "--cli", nullptr);
  const auto expected = static_cast<int>(bench::NumberOption(argc, argv, "--expected", 1000));
  if (!cli) {
    std::fputs("usage: bench_scan --cli PATH/tarcfg-cli [--expected N]\n", stderr);
    return 2;
  }

  int granted = 0;
  {
    tarcfg::UdpSocket probe;
    socklen_t length = sizeof granted;
    if (probe.Open(0) != 0 ||
        ::getsockopt(probe.descriptor(), SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0)
      std::fputs("cannot open a probe socket\n", stderr);
  }
  std::printf("receive buffer: the tool asks %d bytes, the kernel grants %d (rmem_max %ld)\n",
              tarcfg::UdpSocket::kReceiveBufferBytes, granted,
              ReadNumber("/proc/sys/net/core/rmem_max"));

  auto before = UdpCounters();
  const std::int64_t start = bench::NowNs();
  std::FILE* pipe = ::popen((std::string("'") + cli + "' scan").c_str(), "r");
  if (!pipe) {
    std::perror("bench_scan");
    return 1;
  }
  std::set<std::string> listed;
  int lines = 0;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    std::string line(buffer);
    // " 00-60-1a-..\t198.51.100.10 " or "(...)": one router per line.
    if (line.find('\t') != std::string::npos && (line[0] == ' ' || line[0] == '(')) {
      ++lines;
      listed.insert(line.substr(1, 17));
    }
  }
  const int status = ::pclose(pipe);
  const double seconds = static_cast<double>(bench::NowNs() - start) / 1e9;
  auto after = UdpCounters();

  const long arrived = after["InDatagrams"] - before["InDatagrams"];
  const long dropped = after["RcvbufErrors"] - before["RcvbufErrors"];
  std::printf("scan: %.2f s, exit status %d, %d lines, %zu distinct hardware addresses\n", seconds,
              status, lines, listed.size());
  std::printf(
      "answers: %ld arrived, %ld dropped for a full receive buffer (%d expected: 3 "
      "queries x %d routers)\n",
      arrived, dropped, 3 * expected, expected);
  const int found = static_cast<int>(listed.size());
  bench::Result("scan of " + std::to_string(expected) + " routers",
                std::to_string(found) + " listed", std::to_string(expected),
                status == 0 && found == expected && lines == expected);
  return 0;
}
