// SPDX-License-Identifier: GPL-3.0-or-later
// PeriodicRead: when a kind of read that registers (accounting, the
// configuration archive) is due, which routers a round reads, and what a
// success or a failure leaves in a router's ReadRecord. Refusals, wrong
// passwords and network errors are logged once per change and back the
// router off for 1, 2, 4, ... rounds of its kind. A router held by another
// host is not asked: registering would only be refused.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cli/serve/router_record.h"

namespace tarcfg::serve {

class PeriodicRead {
 public:
  using Report =
      std::function<void(const HardwareAddress&, const RouterRecord&, const std::string&)>;

  // `noun` names the read in the log ("accounting", "configuration");
  // `record` picks its ReadRecord out of a router's.
  PeriodicRead(std::string noun, ReadRecord RouterRecord::*record, int intervalSeconds,
               int maxBackoffRounds, std::uint32_t ownAddress, Report report);

  bool enabled() const { return intervalSeconds_ > 0; }
  // Whether a round that starts at `tick` reads (the first one does); a
  // round that does is remembered as the last one.
  bool TakeTurn(long tick);
  // The routers to read this round, in order. Routers not up (or without
  // an address) are marked not read; those held by another host failed.
  std::vector<HardwareAddress> Select(std::map<HardwareAddress, RouterRecord>& routers);
  // A router not read now: its last read is not current.
  void LeaveOut(RouterRecord& router) const;

  void RecordSuccess(const HardwareAddress& hardware, RouterRecord& router) const;
  void RecordFailure(const HardwareAddress& hardware, RouterRecord& router,
                     const std::string& reason) const;

  ReadRecord& Of(RouterRecord& router) const { return router.*record_; }
  const ReadRecord& Of(const RouterRecord& router) const { return router.*record_; }

 private:
  std::string noun_;
  ReadRecord RouterRecord::*record_;
  int intervalSeconds_;
  int maxBackoffRounds_;
  std::uint32_t ownAddress_;
  Report report_;
  long lastTurnTick_ = -1;  // start tick of the last round that read
};

}  // namespace tarcfg::serve
