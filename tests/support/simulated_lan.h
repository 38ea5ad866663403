// SPDX-License-Identifier: GPL-3.0-or-later
// The tool's socket on a LAN whose routers are played in-process by
// tarnex-sim's router logic (tarnex_sim::Network), with a clock that moves
// only when the test moves it.
//
// What the tool sends reaches the routers inside SendTo, as on a real LAN
// (a directed broadcast or 255.255.255.255 reaches every router it would
// reach there, and comes back to the tool's own socket too); what the
// routers send to the workstation, or to a broadcast, waits in the socket's
// queue until the tool takes it with ReceiveFrom. Every datagram in either
// direction is logged with its command word.
//
//   SimulatedLan lan{RouterFile("[router]\nip = 198.51.100.10\n")};
//   RouterProtocol protocol(lan, settings, tables, addresses);
//   protocol.OpenRouterProtocol(onError, lan.broadcastAddress());
//   protocol.ScanNetwork(onAnswer);
//   for (int i = 0; i < 5; ++i) lan.Tick(protocol);
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/socket.h"
#include "sim/network.h"
#include "sim/router_model.h"

namespace tarcfg {
class RouterProtocol;
}

namespace tarcfg::testing {

// The routers of a router file (tools/sim/README.md). Text the file format
// does not accept throws std::invalid_argument naming the line.
std::vector<tarnex_sim::RouterConfig> RouterFile(std::string_view text);

struct LanDatagram {
  enum class Kind {
    ToolSent,        // the tool's SendTo
    RouterReceived,  // one router took it in (one entry per router a broadcast reached)
    RouterSent,      // a router sent it (to the workstation or anywhere else)
  };
  Kind kind = Kind::ToolSent;
  std::uint64_t atMs = 0;
  std::uint32_t from = 0;
  std::uint32_t to = 0;
  int router = -1;  // RouterReceived: the router's index
  std::uint16_t command = 0;
  std::uint16_t sequence = 0;
  std::vector<std::uint8_t> bytes;
};

class SimulatedLan : public DatagramSocket {
 public:
  static constexpr std::uint16_t kRouterPort = 1532;

  struct Options {
    std::uint32_t ownAddress = 0xC6336401;  // 198.51.100.1
    std::uint32_t netMask = 0xFFFFFF00;
    // Where datagrams of a loader without an address come from.
    std::uint32_t anonymousSource = 0xC6336463;  // 198.51.100.99
    tarnex_sim::Faults faults;
    tarnex_sim::Timing timing;
    std::uint32_t seed = 1;
  };

  explicit SimulatedLan(std::vector<tarnex_sim::RouterConfig> routers);
  SimulatedLan(std::vector<tarnex_sim::RouterConfig> routers, Options options);
  SimulatedLan(const SimulatedLan&) = delete;
  SimulatedLan& operator=(const SimulatedLan&) = delete;

  // --- DatagramSocket ---------------------------------------------------
  int Open(std::uint16_t port) override;
  int SendTo(std::uint32_t address, std::uint16_t port,
             std::span<const std::uint8_t> bytes) override;
  // One waiting datagram, its sender and port 1532; length -1 when none.
  ReceivedDatagram ReceiveFrom(std::span<std::uint8_t> buffer) override;
  int descriptor() const override { return -1; }

  // --- The clock ----------------------------------------------------------
  // Moves the clock on by `ms`, running every router timer that falls due
  // on the way at its own time, and queues what the routers send.
  void AdvanceMs(std::uint64_t ms);
  std::uint64_t nowMs() const { return now_; }

  // --- Driving the tool ---------------------------------------------------
  // Datagrams waiting for the tool.
  std::size_t pending() const { return inbox_.size(); }
  // Hands the tool every waiting datagram, including those its reactions
  // bring about.
  void Pump(RouterProtocol& protocol);
  // One second: the routers' clock, the datagrams, the tool's tick, the
  // datagrams again.
  void Tick(RouterProtocol& protocol, int seconds = 1);

  // --- The routers -----------------------------------------------------------
  // A power cycle (see tarnex_sim::Network::Reboot) and a pulled cable.
  // False for an unknown router.
  bool Reboot(std::size_t router);
  bool Reboot(const tarnex_sim::HardwareAddress& hardware);
  bool Silence(std::size_t router, bool silenced = true);
  bool Silence(const tarnex_sim::HardwareAddress& hardware, bool silenced = true);

  tarnex_sim::Network& network() { return network_; }
  const tarnex_sim::Network& network() const { return network_; }
  const tarnex_sim::Router& router(std::size_t index) const { return network_.routers().at(index); }
  std::size_t routerCount() const { return network_.routers().size(); }
  // The index of the router with this address (its own, or its loader's).
  std::optional<std::size_t> RouterAt(std::uint32_t address) const;
  std::optional<std::size_t> RouterWith(const tarnex_sim::HardwareAddress& hardware) const;

  // --- The log ----------------------------------------------------------
  const std::vector<LanDatagram>& log() const { return log_; }
  void ClearLog() { log_.clear(); }
  // What the tool sent with this command word.
  std::vector<LanDatagram> SentByTool(std::uint16_t command) const;
  // What router `index` took in with this command word.
  std::vector<LanDatagram> ReceivedBy(std::size_t index, std::uint16_t command) const;
  // What the routers sent to the workstation with this command word.
  std::vector<LanDatagram> SentToTool(std::uint16_t command) const;

  std::uint32_t ownAddress() const { return options_.ownAddress; }
  std::uint32_t netMask() const { return options_.netMask; }
  std::uint32_t broadcastAddress() const { return options_.ownAddress | ~options_.netMask; }

  // Fault injection on the tool's side: Open gives `error`; sends give
  // `error` while it is set (0 = off).
  void FailOpenWith(int error) { openError_ = error; }
  void FailSendsWith(int error) { sendError_ = error; }

  // Fault injection on the wire, decided per datagram by the caller (the
  // deterministic simulation): how many copies arrive (0 = lost, 2 =
  // duplicated) and how much later (a later datagram may then overtake
  // it). A datagram the tool sends is logged as sent either way; one that
  // is lost never reaches a router.
  struct LinkVerdict {
    int copies = 1;
    std::uint64_t delayMs = 0;
  };
  // `peer`: the router address a datagram to the routers goes to, or the
  // router a datagram to the workstation comes from.
  using LinkFilter =
      std::function<LinkVerdict(bool toRouters, std::uint32_t peer, std::span<const std::uint8_t>)>;
  void SetLinkFilter(LinkFilter filter) { linkFilter_ = std::move(filter); }

 private:
  struct Waiting {
    std::uint32_t from;
    std::vector<std::uint8_t> bytes;
  };
  // A datagram held back by the link filter until dueMs.
  struct Delayed {
    std::uint64_t dueMs;
    bool toRouters;
    std::uint32_t from, to;
    std::vector<std::uint8_t> bytes;
  };
  void DeliverToRouters(std::uint32_t address, std::span<const std::uint8_t> bytes);
  void ReleaseDelayed();

  void Collect();
  bool ReachesWorkstation(std::uint32_t to) const;
  void Log(LanDatagram::Kind kind, std::uint32_t from, std::uint32_t to, int router,
           std::span<const std::uint8_t> bytes);
  std::vector<LanDatagram> Find(LanDatagram::Kind kind, std::uint16_t command, int router) const;

  Options options_;
  tarnex_sim::Network network_;
  std::uint64_t now_ = 0;
  bool open_ = false;
  int openError_ = 0;
  int sendError_ = 0;
  std::deque<Waiting> inbox_;
  LinkFilter linkFilter_;
  std::vector<Delayed> delayed_;
  std::vector<LanDatagram> log_;
};

}  // namespace tarcfg::testing
