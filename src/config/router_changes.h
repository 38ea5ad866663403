// SPDX-License-Identifier: GPL-3.0-or-later
// What a change of the router's own parameters needs: a password change, a
// parameter write, both, or a full reconfiguration by firmware download.
#pragma once

#include <string>
#include <vector>

#include "config/records.h"

namespace tarcfg {

enum RouterChangeKind {
  kNoChange = 0,
  kPasswordChange = -1,   // password or exclusive right
  kParameterChange = -2,  // name, net mask or phone number
  kPasswordAndParameterChange = -3,
  kFirmwareChange = -4,  // firmware version, D-channel protocol or operating mode
};

int CompareRouterParameters(const RouterParameters& current, const RouterParameters& wanted);

// What a write of `wanted` over `current` changes, one line each, as the
// configuration history notes it ("phone number: 0301234 -> 0301999"); a new
// password is noted as changed, never written out.
std::vector<std::string> DescribeRouterParameterChanges(const RouterParameters& current,
                                                        const RouterParameters& wanted);

}  // namespace tarcfg
