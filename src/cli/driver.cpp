// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/driver.h"

#include <poll.h>

#include <chrono>

#include "protocol/router_protocol.h"

namespace tarcfg::cli {

std::int64_t PollDriver::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void PollDriver::Wait(RouterProtocol& protocol, std::int64_t untilMs) {
  const std::int64_t wait = untilMs - NowMs();
  pollfd fd{protocol.socketDescriptor(), POLLIN, 0};
  const int ready = ::poll(&fd, 1, static_cast<int>(wait > 0 ? wait : 0) + 1);
  if (ready > 0 && (fd.revents & POLLIN))
    protocol.OnDatagramReady();
}

}  // namespace tarcfg::cli
