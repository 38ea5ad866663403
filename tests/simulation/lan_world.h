// SPDX-License-Identifier: GPL-3.0-or-later
// What both simulated worlds share: the routers of a small network behind
// SimulatedLan, the actors on the router side (a lossy, duplicating,
// reordering wire; reboots; pulled cables; a second workstation) and time,
// and the checks that hold for every front end:
//
//   protocol-waits   a protocol state that does not wait for the user
//                    (Idle, Registered, an open password prompt) always has
//                    something outstanding or a time-out running;
//   router-released  once the tool stops using a registration, the router
//                    is released within kReleaseTicks (counted from the
//                    landing of any datagram delayed on the wire), unless
//                    the network lost every one of at least
//                    kDeregistrationCopies deregistrations the tool sent it,
//                    or the router took the tool only after the tool had
//                    stopped using it and nothing the router said since
//                    reached the tool (or the tool's process had ended);
//   callback-once    every one-shot callback given to the protocol runs at
//                    most once;
//   no-silent-loss   no table entry the user did not delete disappears
//                    from the router (none of the modelled actions asks a
//                    question that names entries to drop).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "config/write_plan.h"
#include "protocol/router_protocol.h"
#include "simulation/simulation.h"
#include "support/simulated_lan.h"

namespace tarcfg::simulation {

inline constexpr std::uint32_t kWorkstation = 0xC6336401;       // 198.51.100.1
inline constexpr std::uint32_t kOtherWorkstation = 0xC6336402;  // 198.51.100.2
// The routers: 0 without a password, 1 with "secret", 2 held by the other
// workstation at the start.
inline constexpr int kRouterCount = 3;
std::uint32_t RouterAddress(int router);

inline constexpr int kReleaseTicks = 10;
inline constexpr int kDeregistrationCopies = 2;
// Ticks a state that does not wait for the user may pass without the tool
// sending anything or the state changing.
inline constexpr int kStuckTicks = 45;

// The events of the router side and of time; the worlds number theirs
// from kFirstUserEvent.
enum SharedEvent : std::uint16_t {
  kTick = 0,        // argument: seconds
  kLose,            // the next `argument` datagrams, either way
  kLoseToRouters,   // the next `argument` datagrams the tool sends
  kLoseToTool,      // the next `argument` datagrams the routers send
  kBlock,           // every datagram of command `argument` to the routers
  kUnblock,         // ends every block
  kLossy,           // from now on `argument` % of all datagrams
  kDuplicate,       // the next `argument` datagrams arrive twice
  kDelay,           // the next datagram arrives `argument` ms late
  kReboot,          // router `argument` power-cycles (numbering from 1)
  kSilence,         // router `argument` is cut off
  kUnsilence,       // ... and plugged in again
  kOtherRegisters,  // the other workstation registers with router `argument`
  kOtherLeaves,     // ... and deregisters
  kSharedEventCount,
  kFirstUserEvent = 32,
};

// A table entry as text, the same on the tool's and the router's side.
using EntryTexts = std::vector<std::string>;
struct TableTexts {
  EntryTexts lineTargets, routes, filters;
  bool operator==(const TableTexts&) const = default;
};
std::string EntryText(const LineTarget& target);
std::string EntryText(const RouteEntry& route);
std::string EntryText(const FilterEntry& filter);
TableTexts ToolTables(const Configuration& configuration);
TableTexts RouterTables(const tarnex_sim::Router& router);
// "line targets [a, b] / router [a]" for a message.
std::string DescribeDifference(const TableTexts& tool, const TableTexts& router);

class LanWorld : public World {
 public:
  LanWorld();
  ~LanWorld() override;

  std::optional<Violation> Check() override;
  std::string Describe(const Event& event) const override;
  std::optional<Event> Parse(const std::string& name, std::uint32_t argument) const override;

 protected:
  // --- For the worlds ------------------------------------------------------
  // A shared event chosen by `random` (time about half of the time).
  Event ChooseShared(Random& random);
  // Applies a shared event; false for a user event.
  bool ApplyShared(const Event& event);
  // The user event names, indexed from kFirstUserEvent.
  virtual const std::vector<std::string>& UserEventNames() const = 0;
  virtual void ApplyUser(const Event& event) = 0;
  // The tool's protocol; null once the process has ended.
  virtual RouterProtocol* tool() = 0;
  // One second of the tool's clock: the routers', the datagrams, the tick.
  virtual void TickTool() = 0;
  // The front end waits for the user (an open password prompt).
  virtual bool waitingForUser() const { return false; }
  // The world's own checks, after the shared ones.
  virtual std::optional<Violation> CheckWorld() { return std::nullopt; }

  // Wraps a one-shot callback so that a second run is recorded.
  template <class Callback>
  auto Once(const char* what, Callback callback) {
    auto runs = std::make_shared<int>(0);
    return [this, what, runs, callback](auto&&... arguments) {
      if (++*runs == 2)
        twiceRun_ = what;
      callback(std::forward<decltype(arguments)>(arguments)...);
    };
  }
  // The user deleted this entry (or changed it, which is the same to the
  // router's table).
  void UserDeleted(const std::string& entry) { userDeleted_.insert(entry); }
  // A write to `router` broke off and the front end showed the user what
  // DescribeWriteFailure(plan, progress) says: that must be true of the
  // router's tables (the confirmed entries applied, those refused or not
  // sent not; the unanswered one either), and the router's entries it says
  // may be overwritten or deleted count as seen by the user.
  // `old` is what the router held before the write.
  std::optional<Violation> CheckWriteReport(int router, const TableTexts& old,
                                            const WritePlan& plan, const WriteProgress& progress);
  // One of the user's events {kind, weight} by its weight, with an argument
  // below 1000.
  static Event ChooseWeighted(Random& random, std::span<const std::uint16_t[2]> weights);
  // One of the line-target edits both worlds' users make: `kind` 0 adds a
  // copy of the first line target under a new address, 1 deletes line
  // target `pick`, 2 gives it another phone number. False when the lists
  // leave no room for it.
  bool EditLineTargets(Configuration& work, int kind, int pick, std::uint32_t choice);

  testing::SimulatedLan lan_;
  std::uint64_t tick_ = 0;

 private:
  testing::SimulatedLan::LinkVerdict Judge(bool toRouters, std::span<const std::uint8_t> bytes);
  void SendFromOther(int router, std::uint16_t command);
  std::optional<Violation> CheckReleased();
  std::optional<Violation> CheckWaits();
  std::optional<Violation> CheckNothingVanished();

  // The wire.
  int lose_ = 0, loseToRouters_ = 0, loseToTool_ = 0, duplicate_ = 0;
  std::uint32_t delayMs_ = 0;
  std::set<std::uint16_t> blocked_;
  std::uint32_t lossPercent_ = 0;
  Random loss_{0x5eed};
  std::uint16_t otherSequence_ = 0;

  // router-released
  struct Release {
    bool watching = false;
    std::uint64_t sinceTick = 0;
    int sent = 0;      // deregistrations the tool sent it since
    int received = 0;  // ... and the router took in
    ProtocolState lastUsedIn = ProtocolState::Idle;
    bool heldAfterExit = false;  // taken by a request that outlived the tool
    bool tookLate = false;       // not held yet when the tool stopped using it
    bool heard = false;          // something the router said reached the tool since
  };
  std::array<Release, kRouterCount> release_{};
  std::array<bool, kRouterCount> heldBefore_{};
  std::uint64_t delayedUntilTick_ = 0;  // a delayed datagram may land until then
  // protocol-waits
  ProtocolState lastState_ = ProtocolState::Idle;
  std::uint64_t quietSince_ = 0;
  // callback-once
  const char* twiceRun_ = nullptr;
  // no-silent-loss
  std::array<std::set<std::string>, kRouterCount> routerEntries_;
  std::set<std::string> userDeleted_;
};

}  // namespace tarcfg::simulation
