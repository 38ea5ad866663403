// SPDX-License-Identifier: GPL-3.0-or-later
// The accounting read: the line targets, then their accounting counters.
#pragma once

#include <vector>

#include "cli/serve/registration_cycle.h"
#include "cli/serve/router_record.h"
#include "config/configuration.h"

namespace tarcfg::serve {

class AccountingRead : public TableRead {
 public:
  void Begin(const RegistrationResult& accepted) override;
  bool complete() const override { return step_ == Step::kCountersRead; }
  void RequestNext(RouterProtocol& protocol, std::function<bool()> take) override;
  int entries() const override { return entries_; }

  // The line targets with their counters, as the metrics show them.
  std::vector<LineTargetAccounting> Result() const;

 private:
  enum class Step { kRegistered, kTargetsRead, kCountersRead };
  Step step_ = Step::kRegistered;
  int entries_ = 0;
  LineTargetList lineTargets_ = NewLineTargetList();
};

}  // namespace tarcfg::serve
