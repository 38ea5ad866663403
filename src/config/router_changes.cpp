// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/router_changes.h"

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

std::vector<std::string> DescribeRouterParameterChanges(const RouterParameters& current,
                                                        const RouterParameters& wanted) {
  std::vector<std::string> lines;
  auto field = [&](const char* what, const std::string& before, const std::string& after) {
    if (before != after)
      lines.push_back(std::string(what) + ": " + (before.empty() ? "-" : before) + " -> " +
                      (after.empty() ? "-" : after));
  };
  field("address", current.name.str(), wanted.name.str());
  field("net mask", current.netmask.str(), wanted.netmask.str());
  field("phone number", current.phoneNumber.str(), wanted.phoneNumber.str());
  if (!(current.password == wanted.password))
    lines.push_back("password: changed");
  if (current.exclusiveToThisHost != wanted.exclusiveToThisHost)
    lines.push_back(std::string("exclusive right: ") +
                    (wanted.exclusiveToThisHost ? "this host only" : "any host"));
  return lines;
}

}  // namespace tarcfg
