// SPDX-License-Identifier: GPL-3.0-or-later
// The metric families of `tarcfg-cli serve`, from what the collector knows
// of its routers.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/serve/exposition.h"
#include "cli/serve/router_record.h"

namespace tarcfg::serve {

// What the families show besides the routers.
struct MetricsScope {
  std::uint32_t ownAddress = 0;
  bool accounting = false;  // accounting reads are made: their families appear
  bool archive = false;     // configuration reads are made: their families appear
  std::optional<double> scanDuration;
  std::optional<double> lastScanTime;
  int routersUp = 0;
};

std::vector<metrics::MetricFamily> RouterMetrics(
    const std::map<HardwareAddress, RouterRecord>& routers, const MetricsScope& scope);

}  // namespace tarcfg::serve
