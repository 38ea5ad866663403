// SPDX-License-Identifier: GPL-3.0-or-later
// The workstation's side of the echo peer (bench_udp_echo): the raw
// stop-and-wait exchanges the protocol benchmarks are measured against.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "bench_common.h"

namespace bench {

// A firmware block message: header, offset and 500 bytes.
inline constexpr std::size_t kBlockDatagramBytes = 508;
// A table entry: the 7-byte read request, the router's 6-byte
// acknowledgement and 139-byte answer (a line target), the host's 6-byte
// acknowledgement of the answer.
inline constexpr std::size_t kTableRequestBytes = 7;
inline constexpr std::size_t kAcknowledgementBytes = 6;
inline constexpr std::size_t kTableAnswerBytes = 139;

class EchoPeer {
 public:
  EchoPeer() = default;
  EchoPeer(const EchoPeer&) = delete;
  EchoPeer& operator=(const EchoPeer&) = delete;
  ~EchoPeer() {
    if (fd_ >= 0)
      ::close(fd_);
  }

  bool Open(const char* address, std::uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    if (!address || ::inet_pton(AF_INET, address, &to.sin_addr) != 1)
      return false;
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    timeval timeout{1, 0};
    return fd_ >= 0 && ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0 &&
           ::connect(fd_, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
  }

  // One 508-byte datagram there and back, in microseconds; -1 when it was
  // lost (after a second's wait).
  double RoundTrip() {
    unsigned char out[kBlockDatagramBytes] = {'E'};
    std::memcpy(out + 1, &serial_, sizeof serial_);
    ++serial_;
    const std::int64_t start = NowNs();
    if (::send(fd_, out, sizeof out, 0) != static_cast<ssize_t>(sizeof out))
      return -1;
    unsigned char in[2048];
    ssize_t n = 0;
    do {  // an echo that came too late for its turn is skipped
      n = ::recv(fd_, in, sizeof in, 0);
    } while (n == static_cast<ssize_t>(sizeof out) &&
             std::memcmp(in, out, 1 + sizeof serial_) != 0);
    if (n != static_cast<ssize_t>(sizeof out))
      return -1;
    return static_cast<double>(NowNs() - start) / 1e3;
  }

  // The same stop-and-wait with the four datagrams of a table entry: the
  // request out, acknowledgement and answer back, the acknowledgement of
  // the answer out (its cost falls into the next exchange, as in a read).
  double TableEntryRoundTrip() {
    unsigned char request[kTableRequestBytes] = {'R'};
    unsigned char acknowledgement[kAcknowledgementBytes] = {'A'};
    const std::int64_t start = NowNs();
    if (::send(fd_, request, sizeof request, 0) != static_cast<ssize_t>(sizeof request))
      return -1;
    unsigned char in[2048];
    bool acknowledged = false, answered = false;
    while (!acknowledged || !answered) {
      const ssize_t n = ::recv(fd_, in, sizeof in, 0);
      if (n < 0)
        return -1;
      acknowledged |= n == static_cast<ssize_t>(kAcknowledgementBytes);
      answered |= n == static_cast<ssize_t>(kTableAnswerBytes);
    }
    (void)::send(fd_, acknowledgement, sizeof acknowledgement, 0);
    return static_cast<double>(NowNs() - start) / 1e3;
  }

  // `count` exchanges of one kind; the samples in microseconds, or empty
  // when more than a few were lost.
  template <class Exchange>
  std::vector<double> Measure(int count, Exchange exchange) {
    std::vector<double> samples;
    int lost = 0;
    const std::int64_t cpuStart = ThreadCpuNs();
    while (static_cast<int>(samples.size()) < count) {
      const double microseconds = exchange();
      if (microseconds >= 0)
        samples.push_back(microseconds);
      else if (++lost > 10)
        return {};
    }
    cpuPerExchange_ = static_cast<double>(ThreadCpuNs() - cpuStart) / 1e3 / count;
    return samples;
  }
  std::vector<double> RoundTrips(int count) {
    return Measure(count, [this] { return RoundTrip(); });
  }
  std::vector<double> TableEntryRoundTrips(int count) {
    return Measure(count, [this] { return TableEntryRoundTrip(); });
  }
  // This side's CPU time (user and system) per exchange of the last
  // Measure, in microseconds: the floor for a program that does the same
  // exchange, most of it the kernel's network path.
  double cpuPerExchange() const { return cpuPerExchange_; }

 private:
  int fd_ = -1;
  std::uint32_t serial_ = 0;
  double cpuPerExchange_ = 0;
};

}  // namespace bench
