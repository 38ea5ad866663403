// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/periodic_reads.h"

#include <algorithm>
#include <utility>

#include "config/address.h"

namespace tarcfg::serve {

PeriodicRead::PeriodicRead(std::string noun, ReadRecord RouterRecord::*record, int intervalSeconds,
                           int maxBackoffRounds, std::uint32_t ownAddress, Report report)
    : noun_(std::move(noun)),
      record_(record),
      intervalSeconds_(intervalSeconds),
      maxBackoffRounds_(maxBackoffRounds),
      ownAddress_(ownAddress),
      report_(std::move(report)) {}

bool PeriodicRead::TakeTurn(long tick) {
  if (!enabled())
    return false;
  if (lastTurnTick_ >= 0 && tick - lastTurnTick_ < intervalSeconds_)
    return false;
  lastTurnTick_ = tick;
  return true;
}

std::vector<HardwareAddress> PeriodicRead::Select(
    std::map<HardwareAddress, RouterRecord>& routers) {
  std::vector<HardwareAddress> selected;
  for (auto& [hardware, router] : routers) {
    ReadRecord& read = Of(router);
    if (!router.up || router.address == 0) {
      LeaveOut(router);
      continue;
    }
    if (router.registeredHost != 0 && router.registeredHost != ownAddress_) {
      LeaveOut(router);
      read.attempted = true;
      const std::string problem =
          "held by " + DottedQuad(router.registeredHost) + "; " + noun_ + " not read";
      if (read.problem != problem) {
        read.problem = problem;
        report_(hardware, router, problem);
      }
      continue;
    }
    if (read.skipRounds > 0) {
      --read.skipRounds;
      continue;
    }
    selected.push_back(hardware);
  }
  return selected;
}

void PeriodicRead::LeaveOut(RouterRecord& router) const {
  ReadRecord& read = Of(router);
  if (read.attempted)
    read.ok = false;
  // Counters not read now are not current: no counter samples.
  if (record_ == &RouterRecord::accounting)
    router.lineTargets.clear();
}

void PeriodicRead::RecordSuccess(const HardwareAddress& hardware, RouterRecord& router) const {
  ReadRecord& read = Of(router);
  read.attempted = true;
  read.ok = true;
  read.failures = 0;
  read.skipRounds = 0;
  if (!read.problem.empty()) {
    read.problem.clear();
    report_(hardware, router, noun_ + " read again");
  }
}

void PeriodicRead::RecordFailure(const HardwareAddress& hardware, RouterRecord& router,
                                 const std::string& reason) const {
  LeaveOut(router);
  ReadRecord& read = Of(router);
  read.attempted = true;
  ++read.failures;
  read.skipRounds = std::min(1 << std::min(read.failures - 1, 20), maxBackoffRounds_);
  if (read.problem != reason) {
    read.problem = reason;
    report_(hardware, router, noun_ + " not read: " + reason + " (backing off)");
  }
}

}  // namespace tarcfg::serve
