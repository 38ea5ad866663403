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
  // Batches belong to a front end that runs its own loop (a receive wait
  // was set, see SetReceiveWait): then one recvmmsg takes every waiting
  // datagram and sends are collected for one sendmmsg. Under an event loop
  // (no receive wait) a call takes one datagram and every send leaves at
  // once, as that loop may run nested in a handler (a modal box) and must
  // neither find the datagrams of an unfinished batch nor wait for sends
  // held by it.
  std::size_t ReceiveBatch(std::span<const std::span<std::uint8_t>> buffers,
                           std::span<ReceivedDatagram> received) override;
  bool sendsInBatches() const override { return waitMs_ > 0; }
  void SendBatch(std::span<const OutgoingDatagram> datagrams, std::span<int> results) override;

  // For a front end without an event loop of its own (tarcfg-cli): the next
  // ReceiveBatch waits up to `milliseconds` for its first datagram, so the
  // loop needs no poll before it. Above 10 ms the wait is rounded down to
  // a multiple of 10 ms: the time-out is set on the descriptor when it
  // changes, so a loop that asks for "until the next tick" before every
  // receive costs one setsockopt per 10 ms, not one per datagram. 0 (the
  // default) never waits, as an event loop that calls in only when the
  // descriptor is readable expects. ReceiveFrom never waits. Gives 0 or the
  // error number.
  int SetReceiveWait(int milliseconds);

  // The port actually bound (useful after Open(0)); 0 when not open.
  std::uint16_t boundPort() const;

 private:
  int fd_ = -1;
  int waitMs_ = 0;         // what SetReceiveWait asked for
  int timeoutMs_ = 0;      // SO_RCVTIMEO as set on the descriptor; 0 none
  bool blocking_ = false;  // O_NONBLOCK cleared
};

}  // namespace tarcfg
