// SPDX-License-Identifier: GPL-3.0-or-later
// The routers of one emulated network, seen from the routers' side.
//
// Network is fed with datagrams (sender, destination, bytes) and a clock in
// milliseconds, and produces datagrams to send. It owns no socket and never
// reads the real clock, so tests drive it by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sim/bytes.h"
#include "sim/router_model.h"

namespace tarnex_sim {

struct Datagram {
  uint32_t from = 0;  // 0: any address of the emulator
  uint32_t to = 0;
  Bytes bytes;
};

struct Faults {
  double dropProbability = 0;       // each datagram, both directions
  double duplicateProbability = 0;  // each datagram, both directions
  uint32_t delayMs = 0;             // added to every outgoing datagram
  uint16_t refuseCode = 0;          // non-zero: every registration is refused with it
  uint16_t writeStatus = 0;         // non-zero: status of 0x3017, 0x3018 and 0x3005
  // Routers keep numbering their numbered messages across restarts instead
  // of starting again from 1 as real routers do.
  bool continuousNumbering = false;
};

struct Timing {
  uint32_t retransmitMs = 2000;  // router repeats an unacknowledged answer
  int retransmissions = 3;
  uint32_t reportMs = 1000;   // line status report period
  uint32_t restartMs = 1500;  // silence after a restart before the router answers
  uint32_t tickMs = 1000;     // connected channels count their time
};

enum class Mode { Running, Loader, Restarting };

struct Channel {
  uint8_t state = 0;
  uint16_t cause = 0;
  uint32_t remote = 0;
  std::string phone;
  std::string name;
  int target = -1;
  uint32_t duration = 0, charge = 0, packetsOut = 0, packetsIn = 0;
};

// What the router did with the last image it was given.
struct FirmwareReport {
  bool applied = false;
  std::string error;
  std::string version;
  size_t imageSize = 0;
  uint64_t atMs = 0;
  bool any = false;
};

struct Router {
  RouterConfig config;
  Mode mode = Mode::Running;
  uint32_t loaderAddress = 0;               // address given to the loader by 0x0001
  uint32_t pendingAddress = 0;              // from a parameter write, used at the next restart
  uint32_t session = 0;                     // registered host, 0 = none
  std::map<uint32_t, uint16_t> challenges;  // host -> seed of an open password challenge
  std::map<uint32_t, uint16_t> challengeSequence;
  bool monitoring = false;
  uint64_t nextReportMs = 0;
  uint16_t sequence = 0;
  uint16_t lastDeregistrationCode = 0;
  // Tables keep deleted slots until the write run is over, so that positions
  // named by the tool keep meaning the entries it read.
  std::vector<std::optional<LineTarget>> lineTargets;
  std::vector<std::optional<Route>> routes;
  std::vector<std::optional<Filter>> filters;
  Channel channels[2];
  uint64_t nextChannelTickMs = 0;
  // Last numbered request handled per host, for duplicate suppression.
  std::map<uint32_t, Bytes> lastRequest;
  std::map<uint32_t, Bytes> lastAnswer;  // the numbered answer to that request
  // One numbered answer awaiting the host's acknowledgement.
  struct Pending {
    bool active = false;
    uint32_t to = 0;
    uint16_t sequence = 0;
    Bytes bytes;
    int sent = 0;
    uint64_t dueMs = 0;
  } pending;
  uint32_t offerHost = 0;
  Bytes image;
  uint64_t restartDoneMs = 0;
  FirmwareReport firmware;
  // Cut off from the network: receives nothing, and what it sends is lost.
  bool silenced = false;
  uint32_t reboots = 0;  // power cycles (Network::Reboot) so far

  // The address the router answers from and is reached at; 0 = none.
  uint32_t CurrentAddress() const { return mode == Mode::Running ? config.address : loaderAddress; }
};

class Network {
 public:
  Network(std::vector<RouterConfig> routers, Faults faults = {}, uint32_t seed = 1,
          Timing timing = {});

  // A datagram arrived from host `sender`, sent to `destination` (a router's
  // address, or a broadcast).
  void Receive(uint64_t nowMs, uint32_t sender, uint32_t destination,
               std::span<const uint8_t> bytes);
  // Runs the timers (retransmissions, reports, restarts) up to nowMs.
  void Advance(uint64_t nowMs);
  // Datagrams due at nowMs, in order.
  std::vector<Datagram> TakeOutgoing(uint64_t nowMs);
  // When Advance or TakeOutgoing next has something to do; UINT64_MAX if never.
  uint64_t NextEventMs() const;

  // A power cycle: whatever session was in force ends without a word to
  // its host, channels drop, answers awaiting acknowledgement are forgotten.
  // The router is silent for restartMs and then runs again with the
  // configuration it has stored, numbering from 1. Unlike the restart after
  // a download it announces itself to nobody. False for an unknown router.
  bool Reboot(size_t index, uint64_t nowMs);
  bool Reboot(const HardwareAddress& hardware, uint64_t nowMs);
  // Unplugs (true) or plugs back in (false) the router's cable.
  bool Silence(size_t index, bool silenced);
  bool Silence(const HardwareAddress& hardware, bool silenced);
  std::optional<size_t> FindRouter(const HardwareAddress& hardware) const;

  // Called for every datagram a router takes in (after the drop fault, one
  // call per router a broadcast reaches), before the router handles it.
  using DeliveryObserver =
      std::function<void(size_t router, uint32_t sender, std::span<const uint8_t> bytes)>;
  void SetDeliveryObserver(DeliveryObserver observer) { observer_ = std::move(observer); }

  const std::vector<Router>& routers() const { return routers_; }
  std::vector<Router>& routers() { return routers_; }
  // Increases on every change of router state, for the state dump. Reads
  // and single firmware blocks are no change of their own.
  uint64_t version() const { return version_; }
  const Faults& faults() const { return faults_; }
  uint64_t receivedCount() const { return received_; }

 private:
  void Handle(Router& r, uint64_t now, uint32_t sender, std::span<const uint8_t> bytes);
  void HandleRunning(Router& r, uint64_t now, uint32_t sender, uint16_t command, uint16_t seq,
                     std::span<const uint8_t> payload);
  void HandleLoader(Router& r, uint64_t now, uint32_t sender, uint16_t command,
                    std::span<const uint8_t> payload);
  // The pieces of HandleRunning: what any host may ask, then what only
  // the registered host may.
  void Register(Router& r, uint64_t now, uint32_t sender, uint32_t holder);
  void AnswerChallenge(Router& r, uint64_t now, uint32_t sender, uint32_t holder,
                       std::span<const uint8_t> payload);
  void ChangePassword(Router& r, uint64_t now, uint32_t sender, std::span<const uint8_t> payload);
  void WriteParameters(Router& r, uint64_t now, uint32_t sender, std::span<const uint8_t> payload);
  void Connect(Router& r, uint64_t now, std::span<const uint8_t> payload);
  void ReadAccounting(Router& r, uint64_t now, uint32_t sender, std::span<const uint8_t> payload);
  bool AddressedTo(const Router& r, uint32_t destination) const;

  void SendUnnumbered(Router& r, uint64_t now, uint32_t to, uint16_t command, const Bytes& payload);
  void SendNumbered(Router& r, uint64_t now, uint32_t to, uint16_t command, const Bytes& payload);
  void SendAck(Router& r, uint64_t now, uint32_t to, uint16_t seq);
  void Emit(const Router& r, uint64_t now, Datagram d);

  void Accept(Router& r, uint64_t now, uint32_t host);
  void Refuse(Router& r, uint64_t now, uint32_t host, uint16_t code, uint32_t holder);
  void EndSession(Router& r);
  void EnterLoader(Router& r);
  void Restart(Router& r, uint64_t now);
  // A restarted router numbers from 1 again and remembers no requests.
  void ResetNumbering(Router& r);
  // True when holes were dropped.
  bool CompactTables(Router& r);
  void ReadTable(Router& r, uint64_t now, uint32_t host, std::span<const uint8_t> payload);
  void WriteTable(Router& r, uint64_t now, uint32_t host, std::span<const uint8_t> payload);
  // The status a write is refused with before it is applied: a request
  // too short to read, or the write-status fault; 0 to apply it.
  uint16_t WriteRefusal(const Reader& in) const;
  Bytes LineStatusReport(const Router& r) const;
  void TickChannels(Router& r);

  std::vector<Router> routers_;
  Faults faults_;
  Timing timing_;
  std::mt19937 random_;
  struct Queued {
    uint64_t dueMs;
    uint64_t order;
    Datagram datagram;
  };
  std::vector<Queued> outgoing_;
  uint64_t order_ = 0;
  uint64_t version_ = 0;
  uint64_t received_ = 0;
  DeliveryObserver observer_;
};

// The password scrambling both sides use: XOR with a key stream from the seed.
void ScramblePassword(uint8_t out[10], const uint8_t in[10], uint16_t seed);

}  // namespace tarnex_sim
