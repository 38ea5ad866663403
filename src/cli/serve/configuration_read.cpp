// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/configuration_read.h"

#include <utility>

#include "protocol/router_rules.h"

namespace tarcfg::serve {

void ConfigurationRead::Begin(const RegistrationResult& accepted) {
  complete_ = false;
  lineTargets_ = accepted.lineTargetCount;
  routes_ = accepted.routeCount;
  filters_ = accepted.filterCount;
  configuration_ = Configuration{};
  router_ = RouterParameters{};
  ApplyRegistration(accepted, "", router_);
}

void ConfigurationRead::RequestNext(RouterProtocol& protocol, std::function<bool()> take) {
  // The callback may come at once (empty tables).
  protocol.ReadConfiguration(lineTargets_, routes_, filters_,
                             [this, take = std::move(take)](Configuration& configuration) {
                               if (!take())
                                 return;
                               configuration_ = std::move(configuration);
                               complete_ = true;
                             });
}

}  // namespace tarcfg::serve
