// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the datagram path through the router protocol's dispatcher,
// in every protocol state. RouterProtocolHarness (router_protocol_harness.h)
// describes the input: a state to start from, then datagrams from the router
// and from others, ticks, acknowledgements and front-end calls.
#include <cstddef>
#include <cstdint>

#include "router_protocol_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarcfg::fuzz::RunRouterProtocolInput(data, size);
  return 0;
}
