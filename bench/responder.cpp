// SPDX-License-Identifier: GPL-3.0-or-later
// bench_responder: the router side of the transfer benchmarks with nothing
// but the exchanges in the way, the counterpart of the echo peer for the
// protocol. Against it, the tool's time per exchange over the round trip is
// the tool's own cost; the emulator's share is measured apart
// (bench_emulator_client).
//
//   bench_responder --routers FILE [--state FILE] [--ready-file FILE]
//
// It takes tarnex-sim's options so that it can stand in for the emulator in
// scripts/virtual-lan (bench/responder-with-echo); those it has no use for
// (--control, --restart-ms, ...) are ignored. From the router file it plays:
//
// - routers with an address: scan answers; a registration is always
//   accepted, with the table counts of the file; every table entry is read
//   from answers encoded at the start (the emulator's encoding); the
//   deregistration ends the session. No password, no writes.
// - routers in their loader: the address announcement gets the offer, every
//   block is acknowledged and copied into the image, the restart parses the
//   image as the emulator does, writes the state file (same keys as the
//   emulator's: "hardware", "applied", "imageSize") and announces the router
//   at its new address at once.
//
// Every numbered message is acknowledged; a repeated one gets its answer
// again. The loop blocks in one recvmmsg and answers everything it took with
// one sendmmsg: an acknowledgement and the answer behind it leave together,
// as from the emulator. No timers, no repetitions of its own: the benchmark
// LAN loses nothing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench_common.h"
#include "sim/bytes.h"
#include "sim/loaded_image.h"
#include "sim/router_file.h"
#include "sim/router_model.h"
#include "sim/state_json.h"
#include "sim/wire_codes.h"

namespace {

using tarnex_sim::Bytes;
using tarnex_sim::kAcknowledgeCommand;
namespace command = tarnex_sim::command;

constexpr std::uint16_t kPort = 1532;
constexpr std::size_t kMaxImage = 16 * 1024 * 1024;
constexpr std::size_t kBatch = 16;
constexpr std::size_t kDatagramRoom = 2048;

volatile sig_atomic_t stopRequested = 0;
void OnSignal(int) {
  stopRequested = 1;
}

struct Router {
  tarnex_sim::RouterConfig config;
  std::uint32_t address = 0;  // 0: in the loader without an address yet
  bool loader = false;
  std::uint16_t sequence = 0;  // of the router's last numbered message
  std::uint32_t session = 0;
  // The last numbered request and its answer, for a repetition.
  std::uint16_t lastRequestSequence = 0;
  std::uint16_t lastRequestCommand = 0;
  Bytes lastAnswer;
  // Encoded at the start: the registration's answer payload and every table
  // entry's answer payload, by table.
  Bytes accepted;
  std::array<std::vector<Bytes>, 3> entries;
  // Loader
  std::uint32_t offerHost = 0;
  Bytes image;
  bool applied = false;
  std::size_t imageSize = 0;
  bool restarted = false;
};

int TableSlot(std::uint8_t type) {
  switch (type) {
    case tarnex_sim::kLineTargets:
      return 0;
    case tarnex_sim::kRoutes:
      return 1;
    case tarnex_sim::kFilters:
      return 2;
    default:
      return -1;
  }
}

void Prepare(Router& r) {
  const tarnex_sim::RouterConfig& c = r.config;
  r.address = c.address;
  r.loader = c.address == 0;
  tarnex_sim::Writer w;
  w.U16be(0).U16be(std::uint16_t(c.lineTargets.size())).U16be(std::uint16_t(c.routes.size()));
  w.U16be(std::uint16_t(c.filters.size())).U32be(c.netmask).Text(c.phone, 20);
  w.U8(c.dChannelProtocol).U8(c.permanentConnection).Text(c.firmwareVersion, 10);
  r.accepted = w.Take();
  const std::uint8_t types[3] = {tarnex_sim::kLineTargets, tarnex_sim::kRoutes,
                                 tarnex_sim::kFilters};
  for (int t = 0; t < 3; ++t) {
    std::size_t count = t == 0 ? c.lineTargets.size() : t == 1 ? c.routes.size() : c.filters.size();
    for (std::size_t i = 0; i < count; ++i) {
      tarnex_sim::Writer e;
      e.U16be(0).U8(types[t]).U16be(std::uint16_t(i));
      e.Raw(t == 0   ? tarnex_sim::EncodeLineTargetBody(c.lineTargets[i])
            : t == 1 ? tarnex_sim::EncodeRouteBody(c.routes[i])
                     : tarnex_sim::EncodeFilterBody(c.filters[i]));
      r.entries[std::size_t(t)].push_back(e.Take());
    }
  }
}

// What goes out from one batch: datagrams built in fixed buffers.
struct Outgoing {
  std::array<std::array<std::uint8_t, kDatagramRoom>, kBatch * 2> bytes{};
  std::array<std::size_t, kBatch * 2> length{};
  std::array<std::uint32_t, kBatch * 2> from{}, to{};
  std::array<std::uint16_t, kBatch * 2> toPort{};
  std::size_t count = 0;

  // Room for one datagram: header written, payload appended by the caller.
  std::uint8_t* Add(std::uint32_t source, std::uint32_t destination, std::uint16_t port,
                    std::uint16_t command, std::uint16_t sequence, std::size_t payloadLength) {
    if (count == bytes.size() || payloadLength + 4 > kDatagramRoom)
      return nullptr;
    std::uint8_t* out = bytes[count].data();
    out[0] = std::uint8_t(command >> 8);
    out[1] = std::uint8_t(command);
    out[2] = std::uint8_t(sequence >> 8);
    out[3] = std::uint8_t(sequence);
    length[count] = payloadLength + 4;
    from[count] = source;
    to[count] = destination;
    toPort[count] = port;
    ++count;
    return out + 4;
  }
  void Message(std::uint32_t source, std::uint32_t destination, std::uint16_t port,
               std::uint16_t command, std::uint16_t sequence, const std::uint8_t* payload,
               std::size_t payloadLength) {
    if (std::uint8_t* out = Add(source, destination, port, command, sequence, payloadLength))
      std::memcpy(out, payload, payloadLength);
  }
};

class Responder {
 public:
  Responder(std::vector<tarnex_sim::RouterConfig> configs, std::string statePath)
      : statePath_(std::move(statePath)) {
    for (auto& config : configs) {
      Router r;
      r.config = std::move(config);
      Prepare(r);
      routers_.push_back(std::move(r));
    }
  }

  void Handle(std::uint32_t sender, std::uint16_t senderPort, std::uint32_t destination,
              const std::uint8_t* data, std::size_t length, Outgoing& out) {
    if (length < 4)
      return;
    const std::uint16_t command = std::uint16_t(data[0] << 8 | data[1]);
    if ((command >> 8) == 0xFF)
      return;  // acknowledgements: nothing is repeated here, so nothing waits for them
    const bool broadcast = (destination & 0xFF) == 0xFF;
    for (Router& r : routers_)
      if (broadcast || (r.address != 0 && r.address == destination))
        HandleAt(r, sender, senderPort, data, length, out);
  }

 private:
  void Numbered(Router& r, std::uint32_t host, std::uint16_t port, std::uint16_t command,
                const Bytes& payload, Outgoing& out) {
    if (++r.sequence == 0)
      r.sequence = 1;
    out.Message(r.address, host, port, command, r.sequence, payload.data(), payload.size());
    r.lastAnswer.assign(out.bytes[out.count - 1].data(),
                        out.bytes[out.count - 1].data() + out.length[out.count - 1]);
  }

  void HandleAt(Router& r, std::uint32_t host, std::uint16_t port, const std::uint8_t* data,
                std::size_t length, Outgoing& out) {
    const std::uint16_t command = std::uint16_t(data[0] << 8 | data[1]);
    const std::uint16_t sequence = std::uint16_t(data[2] << 8 | data[3]);
    const std::uint8_t* payload = data + 4;
    const std::size_t payloadLength = length - 4;
    if (command == command::kScanQuery) {
      std::uint8_t answer[2 + 6 + 4 + 4] = {};
      std::memcpy(answer + 2, r.config.hardware.data(), 6);
      const std::uint32_t address = r.loader ? 0 : r.address;
      for (int i = 0; i < 4; ++i)
        answer[8 + i] = std::uint8_t(address >> (24 - 8 * i));
      out.Message(r.address, host, port, command::kScanAnswer, 0, answer, sizeof answer);
      return;
    }
    if (r.loader && command == command::kAssignLoaderAddress) {
      if (payloadLength < 10 || std::memcmp(payload, r.config.hardware.data(), 6) != 0)
        return;
      const std::uint32_t address = std::uint32_t(payload[6]) << 24 |
                                    std::uint32_t(payload[7]) << 16 |
                                    std::uint32_t(payload[8]) << 8 | payload[9];
      // The host repeats the announcement until the offer has come.
      if (address == 0 || (address == r.address && host == r.offerHost))
        return;
      r.address = address;
      r.offerHost = host;
      r.image.clear();
      r.image.reserve(kMaxImage);
      r.lastRequestSequence = 0;
      Numbered(r, host, port, command::kDownloadOffer, Bytes(payload + 6, payload + 10), out);
      return;
    }
    if (sequence != 0) {
      std::uint8_t acknowledged[2] = {std::uint8_t(sequence >> 8), std::uint8_t(sequence)};
      out.Message(r.address, host, port, kAcknowledgeCommand, 0, acknowledged, 2);
      if (sequence == r.lastRequestSequence && command == r.lastRequestCommand) {
        if (r.lastAnswer.size() >= 4)
          out.Message(r.address, host, port, std::uint16_t(r.lastAnswer[0] << 8 | r.lastAnswer[1]),
                      std::uint16_t(r.lastAnswer[2] << 8 | r.lastAnswer[3]),
                      r.lastAnswer.data() + 4, r.lastAnswer.size() - 4);
        return;
      }
      r.lastRequestSequence = sequence;
      r.lastRequestCommand = command;
      r.lastAnswer.clear();
    }
    if (r.loader) {
      if (command == command::kDownloadBlock && payloadLength >= 4 && r.address != 0) {
        const std::size_t offset = std::size_t(payload[0]) << 24 | std::size_t(payload[1]) << 16 |
                                   std::size_t(payload[2]) << 8 | payload[3];
        const std::size_t bytes = payloadLength - 4;
        if (offset + bytes > kMaxImage)
          return;
        if (r.image.size() < offset + bytes)
          r.image.resize(offset + bytes);
        std::memcpy(r.image.data() + offset, payload + 4, bytes);
      } else if (command == command::kRestart && r.address != 0) {
        Restart(r, host, port, out);
      }
      return;
    }
    switch (command) {
      case command::kRegister:
        r.session = host;
        Numbered(r, host, port, command::kRegistrationAccepted, r.accepted, out);
        return;
      case command::kDeregister:
        if (host == r.session)
          r.session = 0;
        return;
      case command::kReadTableEntry: {
        if (host != r.session || payloadLength < 3)
          return;
        const int slot = TableSlot(payload[0]);
        const std::size_t index = std::size_t(payload[1] << 8 | payload[2]);
        if (slot >= 0 && index < r.entries[std::size_t(slot)].size()) {
          Numbered(r, host, port, command::kTableEntry, r.entries[std::size_t(slot)][index], out);
        } else {
          // Past the end: the entry's header without a body.
          Numbered(r, host, port, command::kTableEntry,
                   Bytes{0, 0, payload[0], payload[1], payload[2]}, out);
        }
        return;
      }
      default:
        return;
    }
  }

  void Restart(Router& r, std::uint32_t host, std::uint16_t port, Outgoing& out) {
    r.imageSize = r.image.size();
    r.applied = tarnex_sim::ParseImage(r.image).configuration.has_value();
    r.restarted = true;
    r.loader = false;
    r.sequence = 0;
    r.lastRequestSequence = 0;
    r.image.clear();
    r.image.shrink_to_fit();
    WriteState();
    std::uint8_t answer[2 + 6 + 4 + 4] = {};
    std::memcpy(answer + 2, r.config.hardware.data(), 6);
    for (int i = 0; i < 4; ++i)
      answer[8 + i] = std::uint8_t(r.address >> (24 - 8 * i));
    out.Message(r.address, host, port, command::kScanAnswer, 0, answer, sizeof answer);
  }

  // The emulator's keys for what the benchmarks check; written only at a
  // restart, never per exchange.
  void WriteState() const {
    if (statePath_.empty())
      return;
    std::string text = "{\"routers\":[";
    bool first = true;
    for (const Router& r : routers_) {
      text += first ? "{" : ",{";
      first = false;
      text += "\"hardware\":\"" + tarnex_sim::FormatHardware(r.config.hardware) + "\"";
      text += ",\"address\":\"" + tarnex_sim::FormatIp(r.address) + "\"";
      if (r.restarted)
        text += std::string(",\"firmware\":{\"applied\":") + (r.applied ? "true" : "false") +
                ",\"imageSize\":" + std::to_string(r.imageSize) +
                ",\"source\":\"bench_responder\"}";
      text += "}";
    }
    text += "]}\n";
    if (!tarnex_sim::WriteFileAtomically(statePath_, text))
      std::fprintf(stderr, "bench_responder: cannot write %s\n", statePath_.c_str());
  }

  std::vector<Router> routers_;
  std::string statePath_;
};

}  // namespace

int main(int argc, char** argv) {
  const char* routersPath = bench::Option(argc, argv, "--routers", nullptr);
  const std::string statePath = bench::Option(argc, argv, "--state", "");
  const char* readyPath = bench::Option(argc, argv, "--ready-file", nullptr);
  if (!routersPath) {
    std::fputs("usage: bench_responder --routers FILE [--state FILE] [--ready-file FILE]\n",
               stderr);
    return 2;
  }
  tarnex_sim::RouterFileResult file = tarnex_sim::LoadRouterFile(routersPath);
  if (!file.error.empty()) {
    std::fprintf(stderr, "bench_responder: %s\n", file.error.c_str());
    return 1;
  }
  Responder responder(std::move(file.routers), statePath);

  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  int one = 1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(kPort);
  if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0 ||
      ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &one, sizeof one) != 0 ||
      ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    std::perror("bench_responder");
    return 1;
  }
  // No SA_RESTART: the signal ends the blocking receive.
  struct sigaction action {};
  action.sa_handler = OnSignal;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  if (readyPath)
    std::ofstream(readyPath) << ::getpid() << "\n";

  constexpr std::size_t kControlRoom = CMSG_SPACE(sizeof(in_pktinfo));
  static std::array<std::array<std::uint8_t, kDatagramRoom>, kBatch> in;
  std::array<sockaddr_in, kBatch> senders{};
  std::array<iovec, kBatch> inVectors{};
  std::array<std::array<char, 64>, kBatch> inControls{};
  std::array<mmsghdr, kBatch> inHeaders{};
  static Outgoing out;
  std::array<sockaddr_in, kBatch * 2> receivers{};
  std::array<iovec, kBatch * 2> outVectors{};
  alignas(cmsghdr) static std::array<std::array<char, kControlRoom>, kBatch * 2> outControls;
  std::array<mmsghdr, kBatch * 2> outHeaders{};

  while (!stopRequested) {
    for (std::size_t k = 0; k < kBatch; ++k) {
      inVectors[k] = iovec{in[k].data(), in[k].size()};
      msghdr& m = inHeaders[k].msg_hdr;
      m = msghdr{};
      m.msg_name = &senders[k];
      m.msg_namelen = sizeof senders[k];
      m.msg_iov = &inVectors[k];
      m.msg_iovlen = 1;
      m.msg_control = inControls[k].data();
      m.msg_controllen = inControls[k].size();
    }
    // Blocks for the first datagram, then takes what else is waiting.
    const int received = ::recvmmsg(fd, inHeaders.data(), kBatch, MSG_WAITFORONE, nullptr);
    if (received < 0) {
      if (errno == EINTR)
        continue;
      std::perror("bench_responder: recvmmsg");
      return 1;
    }
    out.count = 0;
    for (int k = 0; k < received; ++k) {
      msghdr& m = inHeaders[std::size_t(k)].msg_hdr;
      if (m.msg_flags & MSG_TRUNC)
        continue;
      std::uint32_t destination = 0xFFFFFFFF;
      for (cmsghdr* c = CMSG_FIRSTHDR(&m); c; c = CMSG_NXTHDR(&m, c))
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
          in_pktinfo info;
          std::memcpy(&info, CMSG_DATA(c), sizeof info);
          destination = ntohl(info.ipi_addr.s_addr);
        }
      const sockaddr_in& from = senders[std::size_t(k)];
      responder.Handle(ntohl(from.sin_addr.s_addr), ntohs(from.sin_port), destination,
                       in[std::size_t(k)].data(), inHeaders[std::size_t(k)].msg_len, out);
    }
    if (out.count == 0)
      continue;
    // Each answer leaves from its router's own address.
    for (std::size_t k = 0; k < out.count; ++k) {
      receivers[k] = sockaddr_in{};
      receivers[k].sin_family = AF_INET;
      receivers[k].sin_port = htons(out.toPort[k]);
      receivers[k].sin_addr.s_addr = htonl(out.to[k]);
      outVectors[k] = iovec{out.bytes[k].data(), out.length[k]};
      msghdr& m = outHeaders[k].msg_hdr;
      m = msghdr{};
      m.msg_name = &receivers[k];
      m.msg_namelen = sizeof receivers[k];
      m.msg_iov = &outVectors[k];
      m.msg_iovlen = 1;
      if (out.from[k] != 0) {
        std::memset(outControls[k].data(), 0, kControlRoom);
        m.msg_control = outControls[k].data();
        m.msg_controllen = kControlRoom;
        cmsghdr* c = CMSG_FIRSTHDR(&m);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_spec_dst.s_addr = htonl(out.from[k]);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
      }
    }
    if (::sendmmsg(fd, outHeaders.data(), unsigned(out.count), MSG_DONTWAIT) < 0 && errno != EINTR)
      std::perror("bench_responder: sendmmsg");
  }
  return 0;
}
