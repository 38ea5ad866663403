// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration read of the archive: the router's three tables (line
// targets, routes, filters) and the parameters its acceptance tells.
#pragma once

#include "cli/serve/registration_cycle.h"
#include "config/configuration.h"
#include "config/records.h"

namespace tarcfg::serve {

class ConfigurationRead : public TableRead {
 public:
  void Begin(const RegistrationResult& accepted) override;
  bool complete() const override { return complete_; }
  void RequestNext(RouterProtocol& protocol, std::function<bool()> take) override;
  int entries() const override { return lineTargets_ + routes_ + filters_; }

  const Configuration& configuration() const { return configuration_; }
  // The router's parameters as its acceptance told them (no name).
  const RouterParameters& router() const { return router_; }

 private:
  bool complete_ = false;
  int lineTargets_ = 0;
  int routes_ = 0;
  int filters_ = 0;
  Configuration configuration_;
  RouterParameters router_;
};

}  // namespace tarcfg::serve
