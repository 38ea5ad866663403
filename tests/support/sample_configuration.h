// SPDX-License-Identifier: GPL-3.0-or-later
// Records for tests and sample pictures, built from the few fields a test
// cares about; every other field keeps its default.
//
//   configuration.routes.Append(SampleRoute("0.0.0.0", "0.0.0.0", "gw.example"));
//   configuration.filters.Append(
//       SampleFilter("255.0.0.0", "10.0.0.0", "0.0.0.0", "0.0.0.0", 6, 53, 1));
#pragma once

#include "config/records.h"

namespace tarcfg::testing {

// NewLineTarget() with this host name and phone number.
LineTarget SampleLineTarget(const char* host, const char* phone);

RouteEntry SampleRoute(const char* mask, const char* match, const char* gateway);

// A filter on a default FilterEntry: send netmask and match, receive netmask
// and match, IP protocol number, port and action (1 accept, 0 reject).
FilterEntry SampleFilter(const char* sendMask, const char* sendMatch, const char* receiveMask,
                         const char* receiveMatch, int protocol, int port, int action);

// The router 10.0.0.10 with DSS1 firmware 2.10, as the protocol tests
// register it.
RouterParameters SampleRouterParameters();

}  // namespace tarcfg::testing
