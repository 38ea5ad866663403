// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/driver.h"

#include <chrono>

#include "protocol/router_protocol.h"
#include "protocol/udp_socket.h"

namespace tarcfg::cli {

std::int64_t ReceiveDriver::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void ReceiveDriver::Wait(RouterProtocol& protocol, std::int64_t untilMs) {
  const std::int64_t wait = untilMs - NowMs();
  (void)socket_.SetReceiveWait(static_cast<int>(wait > 0 ? wait : 0) + 1);
  protocol.OnDatagramReady();
}

}  // namespace tarcfg::cli
