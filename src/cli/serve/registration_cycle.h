// SPDX-License-Identifier: GPL-3.0-or-later
// RegistrationCycle: one short registration of `tarcfg-cli serve`. It
// registers with one router (answering a password challenge), makes the
// requests of one TableRead, and deregisters at once; a step without an
// answer is given up after its time-out, and a registration given up, failed
// or cut short by a stop is ended with a deregistration too, so the router
// is never left held by this host.
//
// The collector drives it from the protocol's entry points only: Advance()
// after every datagram and tick, Tick() once a second. Protocol callbacks
// only record what arrived.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "protocol/router_protocol.h"

namespace tarcfg::serve {

// The requests made while registered, one after the other.
class TableRead {
 public:
  virtual ~TableRead() = default;
  // The router accepted: what its acceptance tells of its tables.
  virtual void Begin(const RegistrationResult& accepted) = 0;
  // Whether every request has been answered.
  virtual bool complete() const = 0;
  // Sends the next request. Its callback, which may come at once, calls
  // `take` and keeps the answer only when that gives true.
  virtual void RequestNext(RouterProtocol& protocol, std::function<bool()> take) = 0;
  // The table entries the outstanding request reads: each may take a
  // repetition interval of its own.
  virtual int entries() const = 0;
};

struct CycleLimits {
  int stepTimeoutTicks = 30;  // plus a repetition interval per table entry read
};

class RegistrationCycle {
 public:
  enum class Outcome { kRead, kFailed, kInterrupted };
  enum class Progress { kIdle, kWaiting, kMoved, kFinished };

  RegistrationCycle(RouterProtocol& protocol, CycleLimits limits);
  RegistrationCycle(const RegistrationCycle&) = delete;
  RegistrationCycle& operator=(const RegistrationCycle&) = delete;

  // Registers with the router at `address` for `read`, which must outlive
  // the cycle's use of it.
  void Start(std::uint32_t address, TableRead& read, std::optional<std::string> password);
  // Takes the next step. kFinished once: outcome() and failure() tell how
  // it ended, and the protocol is Idle again.
  Progress Advance();
  // A tick: a step that waits too long is given up.
  void Tick();
  // The protocol's error callback; false when no cycle was waiting for it.
  bool OnProtocolError(int code);
  // No further request: the one outstanding is finished (or, by Interrupt,
  // cut short) and the registration ended.
  void RequestStop() { stopRequested_ = true; }
  void Interrupt();
  // Ends whatever registration is held or attempted now, without waiting.
  void ReleaseNow();

  bool active() const { return step_ != Step::kIdle; }
  // A request is out and its answer awaited.
  bool waiting() const { return step_ == Step::kRegistering || step_ == Step::kReading; }
  Outcome outcome() const { return outcome_; }
  const std::string& failure() const { return failure_; }

 private:
  enum class Step {
    kIdle,
    kRegistering,  // waiting for the registration's outcome
    kReady,        // registered: the next request, or the end
    kReading,      // waiting for the answer of a request
    kFailed,       // give up on this router
    kInterrupted,  // stop requested: deregister, record nothing
  };

  void OnRegistration(unsigned id, const RegistrationResult& result);
  void Fail(std::string reason);
  Progress Finish(Outcome outcome);
  // Returns the protocol to Idle, deregistering when it holds a router.
  void EnsureIdle();

  RouterProtocol& protocol_;
  CycleLimits limits_;
  Step step_ = Step::kIdle;
  unsigned id_ = 0;
  int ticks_ = 0;  // in the current step
  TableRead* read_ = nullptr;
  std::optional<std::string> password_;
  std::string failure_;
  Outcome outcome_ = Outcome::kRead;
  bool stopRequested_ = false;
  bool aborting_ = false;  // the cycle itself ends a registration
};

}  // namespace tarcfg::serve
