// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/accounting_read.h"

#include <utility>

namespace tarcfg::serve {

void AccountingRead::Begin(const RegistrationResult& accepted) {
  step_ = Step::kRegistered;
  entries_ = accepted.lineTargetCount;
  lineTargets_ = NewLineTargetList();
}

void AccountingRead::RequestNext(RouterProtocol& protocol, std::function<bool()> take) {
  if (step_ == Step::kRegistered) {
    // The callback may come at once (no line targets).
    protocol.ReadLineTargets(
        [this, take = std::move(take)](LineTargetList& targets) {
          if (!take())
            return;
          lineTargets_ = std::move(targets);
          step_ = Step::kTargetsRead;
        },
        entries_);
    return;
  }
  entries_ = lineTargets_.count();
  protocol.ReadAccounting(
      [this, take = std::move(take)](LineTargetList& targets) {
        if (!take())
          return;
        lineTargets_ = std::move(targets);
        step_ = Step::kCountersRead;
      },
      &lineTargets_);
}

std::vector<LineTargetAccounting> AccountingRead::Result() const {
  std::vector<LineTargetAccounting> lines;
  int position = 0;
  for (const LineTarget& target : lineTargets_) {
    LineTargetAccounting line;
    line.position = ++position;
    line.hostName = target.hostName.str();
    line.phoneNumber = target.phoneNumber.str();
    line.counters = target.accountingCounters;
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace tarcfg::serve
