// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the description of the emulated routers (format: README.md).
#pragma once

#include <string>
#include <vector>

#include "sim/router_model.h"

namespace tarnex_sim {

struct RouterFileResult {
  std::vector<RouterConfig> routers;
  std::string error;  // "line N: ..." when the text was not accepted
};

RouterFileResult ParseRouterFile(const std::string& text);
RouterFileResult LoadRouterFile(const std::string& path);

}  // namespace tarnex_sim
