// SPDX-License-Identifier: GPL-3.0-or-later
// DatagramSocket over a POSIX UDP socket.
#pragma once

#include <cstdint>
#include <span>

#include "protocol/socket.h"

namespace tarcfg {

class UdpSocket : public DatagramSocket {
 public:
  // Receive buffer asked for, so that a burst of scan answers from a large
  // network waits in the kernel until the event loop gets to it. Without
  // privileges the kernel grants at most net.core.rmem_max.
  static constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

  UdpSocket() = default;
  ~UdpSocket() override;
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  int Open(std::uint16_t port) override;
  int SendTo(std::uint32_t address, std::uint16_t port,
             std::span<const std::uint8_t> bytes) override;
  ReceivedDatagram ReceiveFrom(std::span<std::uint8_t> buffer) override;
  int descriptor() const override { return fd_; }

  // The port actually bound (useful after Open(0)); 0 when not open.
  std::uint16_t boundPort() const;

 private:
  int fd_ = -1;
};

}  // namespace tarcfg
