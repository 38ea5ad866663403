// SPDX-License-Identifier: GPL-3.0-or-later
// bench_emulator_client: the emulator's own cost per exchange, measured with
// a minimal client in place of the tool: blocking sends and receives on one
// socket, nothing else in the way, like the workstation's side of the echo
// peer.
//
//   bench_emulator_client --router ADDR --loader HW=ADDR --peer ADDR [--port 7007]
//                         [--blocks 2098] [--label emulator]
//
// Download blocks: the loader HW gets ADDR, then --blocks blocks of 500
// bytes leave one by one, each when the last was acknowledged (no restart:
// the image is not a real one). Table entries: registration with ROUTER,
// every entry of its three tables read (request; acknowledgement and
// answer; acknowledgement of the answer), deregistration. Each is measured
// against the echo peer in the same run: a block against the round trip, a
// table entry against the same four-datagram exchange between the two
// minimal programs. Against bench_responder instead of tarnex-sim (--label)
// the ratios show what the minimal responder costs itself.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_common.h"
#include "echo_peer.h"

namespace {

constexpr std::uint16_t kRouterPort = 1532;
// The commands by the names of the tool and the emulator (sim/wire_codes.h).
constexpr std::uint16_t kAcknowledgeCommand = 0xFF00;
constexpr std::uint16_t kAssignLoaderAddress = 0x0001, kDownloadBlock = 0x0002,
                        kDownloadOffer = 0x0011;
constexpr std::uint16_t kRegister = 0x1001, kDeregister = 0x1003, kReadTableEntry = 0x1011;
constexpr std::uint16_t kRegistrationAccepted = 0x3001, kTableEntry = 0x3011;
constexpr std::size_t kBlockBytes = 500;

std::uint16_t Word(const std::uint8_t* p) {
  return std::uint16_t(p[0] << 8 | p[1]);
}

class Client {
 public:
  bool Open() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int one = 1;
    timeval timeout{1, 0};
    return fd_ >= 0 && ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) == 0 &&
           ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0;
  }
  ~Client() {
    if (fd_ >= 0)
      ::close(fd_);
  }

  // Header and payload to ADDR:1532; the sequence number used (0: unnumbered).
  std::uint16_t Send(std::uint32_t to, std::uint16_t command, bool numbered,
                     const std::uint8_t* payload, std::size_t length) {
    std::uint16_t sequence = 0;
    if (numbered) {
      if (++sequence_ == 0)
        sequence_ = 1;
      sequence = sequence_;
    }
    out_[0] = std::uint8_t(command >> 8);
    out_[1] = std::uint8_t(command);
    out_[2] = std::uint8_t(sequence >> 8);
    out_[3] = std::uint8_t(sequence);
    if (length > 0)
      std::memcpy(out_.data() + 4, payload, length);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kRouterPort);
    address.sin_addr.s_addr = htonl(to);
    (void)::sendto(fd_, out_.data(), length + 4, 0, reinterpret_cast<const sockaddr*>(&address),
                   sizeof address);
    return sequence;
  }
  void Acknowledge(std::uint32_t to, std::uint16_t sequence) {
    const std::uint8_t payload[2] = {std::uint8_t(sequence >> 8), std::uint8_t(sequence)};
    Send(to, kAcknowledgeCommand, false, payload, 2);
  }

  // One datagram; its length, -1 after a second without one.
  int Receive() {
    const ssize_t n = ::recv(fd_, in_.data(), in_.size(), 0);
    return n < 4 ? -1 : static_cast<int>(n);
  }
  std::uint16_t command() const { return Word(in_.data()); }
  std::uint16_t sequence() const { return Word(in_.data() + 2); }
  const std::uint8_t* payload() const { return in_.data() + 4; }

  // Waits for the acknowledgement of `sequence` and, when `answer` is not 0,
  // the numbered answer with that command (acknowledged by AcknowledgeAnswer:
  // as in the echo peer's exchange, after the time is taken).
  bool Await(std::uint16_t sequence, std::uint16_t answer) {
    bool acknowledged = false, answered = answer == 0;
    while (!acknowledged || !answered) {
      const int n = Receive();
      if (n < 0)
        return false;
      if (command() == kAcknowledgeCommand && n >= 6 && Word(payload()) == sequence)
        acknowledged = true;
      else if (command() == answer && !answered) {
        answered = true;
        length_ = n;
        answerSequence_ = this->sequence();
      }
    }
    return true;
  }
  int answerLength() const { return length_; }
  void AcknowledgeAnswer(std::uint32_t to) { Acknowledge(to, answerSequence_); }

 private:
  int fd_ = -1;
  std::uint16_t sequence_ = 0;
  int length_ = 0;
  std::uint16_t answerSequence_ = 0;
  std::array<std::uint8_t, 2048> out_{}, in_{};
};

void Report(const char* what, const std::string& label, double typical, double baseline,
            const char* baselineName) {
  bench::Figure(label + ": " + what + ", minimal client",
                bench::Format("%.2f x ", typical / baseline) + baselineName +
                    bench::Format(" (%.1f us", typical) + bench::Format(" vs %.1f us)", baseline));
}

}  // namespace

int main(int argc, char** argv) {
  const char* router = bench::Option(argc, argv, "--router", nullptr);
  const std::string loader = bench::Option(argc, argv, "--loader", "");
  const char* peer = bench::Option(argc, argv, "--peer", nullptr);
  const auto port = static_cast<std::uint16_t>(bench::NumberOption(argc, argv, "--port", 7007));
  const auto blocks = static_cast<int>(bench::NumberOption(argc, argv, "--blocks", 2098));
  const std::string label = bench::Option(argc, argv, "--label", "emulator");
  in_addr routerAddress{}, loaderAddress{};
  std::array<std::uint8_t, 6> hardware{};
  const std::size_t equals = loader.find('=');
  bench::EchoPeer echo;
  Client client;
  if (!router || ::inet_pton(AF_INET, router, &routerAddress) != 1 || equals == std::string::npos ||
      std::sscanf(loader.c_str(), "%hhx-%hhx-%hhx-%hhx-%hhx-%hhx", &hardware[0], &hardware[1],
                  &hardware[2], &hardware[3], &hardware[4], &hardware[5]) != 6 ||
      ::inet_pton(AF_INET, loader.c_str() + equals + 1, &loaderAddress) != 1 || blocks <= 0 ||
      !echo.Open(peer, port) || !client.Open()) {
    std::fputs(
        "usage: bench_emulator_client --router ADDR --loader HW=ADDR --peer ADDR [--port N] "
        "[--blocks N] [--label TEXT]\n",
        stderr);
    return 2;
  }
  const std::uint32_t target = ntohl(routerAddress.s_addr);
  const std::uint32_t loaderTarget = ntohl(loaderAddress.s_addr);

  // ---- download blocks
  const std::vector<double> baseline = echo.RoundTrips(blocks);
  std::uint8_t announce[10];
  std::memcpy(announce, hardware.data(), 6);
  for (int i = 0; i < 4; ++i)
    announce[6 + i] = std::uint8_t(loaderTarget >> (24 - 8 * i));
  const std::uint32_t broadcast = (loaderTarget & 0xFFFFFF00u) | 0xFF;
  client.Send(broadcast, kAssignLoaderAddress, false, announce, sizeof announce);
  bool offered = false;
  while (!offered) {
    if (client.Receive() < 0) {
      std::fprintf(stderr, "%s: no offer from the loader %s\n", label.c_str(), loader.c_str());
      return 1;
    }
    if (client.command() == kDownloadOffer) {
      offered = true;
      client.Acknowledge(loaderTarget, client.sequence());
    }
  }
  std::uint8_t block[4 + kBlockBytes] = {};
  std::vector<double> blockTimes;
  blockTimes.reserve(static_cast<std::size_t>(blocks));
  for (int b = 0; b < blocks; ++b) {
    const std::uint32_t offset = std::uint32_t(b) * kBlockBytes;
    for (int i = 0; i < 4; ++i)
      block[i] = std::uint8_t(offset >> (24 - 8 * i));
    std::memset(block + 4, b & 0xFF, kBlockBytes);
    const std::int64_t start = bench::NowNs();
    const std::uint16_t sequence =
        client.Send(loaderTarget, kDownloadBlock, true, block, sizeof block);
    if (!client.Await(sequence, 0)) {
      std::fprintf(stderr, "%s: block %d was not acknowledged\n", label.c_str(), b);
      return 1;
    }
    blockTimes.push_back(static_cast<double>(bench::NowNs() - start) / 1e3);
  }

  // ---- table entries
  const std::vector<double> shape = echo.TableEntryRoundTrips(500);
  std::uint16_t sequence = client.Send(target, kRegister, true, nullptr, 0);
  if (!client.Await(sequence, kRegistrationAccepted) || client.answerLength() < 10) {
    std::fprintf(stderr, "%s: registration with %s failed\n", label.c_str(), router);
    return 1;
  }
  // The accepted answer: 0, line targets, routes, filters.
  int counts[3] = {};
  {
    std::array<std::uint8_t, 8> head{};
    std::memcpy(head.data(), client.payload(), head.size());
    for (int t = 0; t < 3; ++t)
      counts[t] = Word(head.data() + 2 + 2 * t);
  }
  client.AcknowledgeAnswer(target);
  const std::uint8_t types[3] = {0xFF, 0xF0, 0x0F};
  std::vector<double> entryTimes;
  for (int t = 0; t < 3; ++t)
    for (int i = 0; i < counts[t]; ++i) {
      const std::uint8_t request[3] = {types[t], std::uint8_t(i >> 8), std::uint8_t(i)};
      const std::int64_t start = bench::NowNs();
      sequence = client.Send(target, kReadTableEntry, true, request, sizeof request);
      if (!client.Await(sequence, kTableEntry)) {
        std::fprintf(stderr, "%s: table entry %d/%d was not answered\n", label.c_str(), t, i);
        return 1;
      }
      entryTimes.push_back(static_cast<double>(bench::NowNs() - start) / 1e3);
      client.AcknowledgeAnswer(target);
    }
  client.Send(target, kDeregister, false, nullptr, 0);

  if (baseline.empty() || shape.empty() || entryTimes.empty()) {
    std::fprintf(stderr, "%s: no echo from %s:%u, or no table entries\n", label.c_str(), peer,
                 unsigned{port});
    return 1;
  }
  const double blockTypical = bench::Median(blockTimes), roundTrip = bench::Median(baseline);
  const double entryTypical = bench::Median(entryTimes), exchange = bench::Median(shape);
  std::printf(
      "%s: %d blocks, typical %.1f us (round trip %.1f us); %zu table entries, typical "
      "%.1f us (minimal 4-datagram exchange %.1f us)\n",
      label.c_str(), blocks, blockTypical, roundTrip, entryTimes.size(), entryTypical, exchange);
  Report("firmware block", label, blockTypical, roundTrip, "round trip");
  Report("table entry", label, entryTypical, exchange, "the minimal 4-datagram exchange");
  return 0;
}
