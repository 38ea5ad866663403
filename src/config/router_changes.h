// What a change of the router's own parameters needs: a password change, a
// parameter write, both, or a full reconfiguration by firmware download.
#pragma once

#include "records.h"

namespace tarcfg {

enum RouterChangeKind {
  kNoChange = 0,
  kPasswordChange = -1,   // password or exclusive right
  kParameterChange = -2,  // name, net mask or phone number
  kPasswordAndParameterChange = -3,
  kFirmwareChange = -4,  // firmware version, D-channel protocol or operating mode
};

int CompareRouterParameters(const RouterParameters& current, const RouterParameters& wanted);

}  // namespace tarcfg
