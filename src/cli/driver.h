// SPDX-License-Identifier: GPL-3.0-or-later
// What moves tarcfg-cli's router protocol on: a clock and a wait for
// datagrams. The real driver waits in the socket's own receive against the
// steady clock; tests drive a simulated network's clock by hand instead.
#pragma once

#include <cstdint>

namespace tarcfg {
class RouterProtocol;
class UdpSocket;
}  // namespace tarcfg

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

// The steady clock and the socket's receive, which waits for the first
// datagram itself (UdpSocket::SetReceiveWait): no poll(2) before it, one
// system call fewer per exchange, and what arrived together is taken and
// answered together.
class ReceiveDriver : public Driver {
 public:
  explicit ReceiveDriver(UdpSocket& socket) : socket_(socket) {}
  std::int64_t NowMs() override;
  void Wait(RouterProtocol& protocol, std::int64_t untilMs) override;

 private:
  UdpSocket& socket_;
};

}  // namespace tarcfg::cli
