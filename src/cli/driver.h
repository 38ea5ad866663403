// SPDX-License-Identifier: GPL-3.0-or-later
// What moves tarcfg-cli's router protocol on: a clock and a wait for
// datagrams. The real driver polls the socket's descriptor against the
// steady clock; tests drive a simulated network's clock by hand instead.
#pragma once

#include <cstdint>

namespace tarcfg {
class RouterProtocol;
}

namespace tarcfg::cli {

class Driver {
 public:
  virtual ~Driver() = default;
  // The driver's clock, in milliseconds from any fixed start.
  virtual std::int64_t NowMs() = 0;
  // Hands `protocol` what arrives until the clock reaches `untilMs` (it may
  // return earlier, after a datagram).
  virtual void Wait(RouterProtocol& protocol, std::int64_t untilMs) = 0;
};

// The steady clock and poll(2) on the protocol's socket descriptor.
class PollDriver : public Driver {
 public:
  std::int64_t NowMs() override;
  void Wait(RouterProtocol& protocol, std::int64_t untilMs) override;
};

}  // namespace tarcfg::cli
