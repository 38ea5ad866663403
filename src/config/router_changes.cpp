#include "router_changes.h"

namespace tarcfg {

int CompareRouterParameters(const RouterParameters& current, const RouterParameters& wanted) {
  if (!(current.firmwareVersion == wanted.firmwareVersion) ||
      current.dChannelProtocol != wanted.dChannelProtocol ||
      current.permanentConnection != wanted.permanentConnection)
    return kFirmwareChange;
  const bool password = !(current.password == wanted.password) ||
                        current.exclusiveToThisHost != wanted.exclusiveToThisHost;
  const bool parameters = !(current.name == wanted.name) || !(current.netmask == wanted.netmask) ||
                          !(current.phoneNumber == wanted.phoneNumber);
  if (password && parameters)
    return kPasswordAndParameterChange;
  if (password)
    return kPasswordChange;
  if (parameters)
    return kParameterChange;
  return kNoChange;
}

}  // namespace tarcfg
