// SPDX-License-Identifier: GPL-3.0-or-later
// bench_udp_echo: the peer of the round-trip baseline. Sends every datagram
// straight back to its sender, with nothing else in the way.
//
//   bench_udp_echo [--port N] [--parent PID]
//
// Two kinds of datagram get another treatment, for the shape of a table
// read (see echo_peer.h): one starting with 'R' (a request) is answered by
// two datagrams at once, a 6-byte acknowledgement and a 139-byte answer;
// one starting with 'A' (the acknowledgement of such an answer) gets none.
//
// scripts/bench starts it beside tarnex-sim on the router side of the
// virtual LAN. It ends with its parent (PID), so it cannot outlive the LAN.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include "bench_common.h"
#include "echo_peer.h"

int main(int argc, char** argv) {
  const auto port = static_cast<std::uint16_t>(bench::NumberOption(argc, argv, "--port", 7007));
  const auto parent = static_cast<pid_t>(bench::NumberOption(argc, argv, "--parent", 0));
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (parent != 0 && ::getppid() != parent)
    return 0;  // the parent is already gone

  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(port);
  if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    std::perror("bench_udp_echo");
    return 1;
  }
  unsigned char buffer[2048];
  unsigned char acknowledgement[bench::kAcknowledgementBytes] = {'a'};
  unsigned char answer[bench::kTableAnswerBytes] = {'n'};
  for (;;) {
    sockaddr_in from{};
    socklen_t length = sizeof from;
    ssize_t n =
        ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (n <= 0)
      continue;
    if (buffer[0] == 'A')
      continue;
    if (buffer[0] != 'R') {
      (void)::sendto(fd, buffer, static_cast<std::size_t>(n), 0, reinterpret_cast<sockaddr*>(&from),
                     length);
      continue;
    }
    iovec parts[2] = {{acknowledgement, sizeof acknowledgement}, {answer, sizeof answer}};
    mmsghdr messages[2] = {};
    for (int i = 0; i < 2; ++i) {
      messages[i].msg_hdr.msg_name = &from;
      messages[i].msg_hdr.msg_namelen = length;
      messages[i].msg_hdr.msg_iov = &parts[i];
      messages[i].msg_hdr.msg_iovlen = 1;
    }
    (void)::sendmmsg(fd, messages, 2, 0);
  }
}
