// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/sample_configuration.h"

namespace tarcfg::testing {

LineTarget SampleLineTarget(const char* host, const char* phone) {
  LineTarget target = NewLineTarget();
  target.hostName = host;
  target.phoneNumber = phone;
  return target;
}

RouteEntry SampleRoute(const char* mask, const char* match, const char* gateway) {
  RouteEntry route;
  route.netmask = mask;
  route.match = match;
  route.gateway = gateway;
  return route;
}

FilterEntry SampleFilter(const char* sendMask, const char* sendMatch, const char* receiveMask,
                         const char* receiveMatch, int protocol, int port, int action) {
  FilterEntry filter;
  filter.sendNetmask = sendMask;
  filter.sendMatch = sendMatch;
  filter.receiveNetmask = receiveMask;
  filter.receiveMatch = receiveMatch;
  filter.protocol = protocol;
  filter.port = port;
  filter.action = action;
  return filter;
}

RouterParameters SampleRouterParameters() {
  RouterParameters parameters;
  parameters.name = "10.0.0.10";
  parameters.netmask = "255.255.255.0";
  parameters.phoneNumber = "0301234";
  parameters.dChannelProtocol = 1;
  parameters.firmwareVersion = "2.10";
  return parameters;
}

}  // namespace tarcfg::testing
