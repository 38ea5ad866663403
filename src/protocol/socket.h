// SPDX-License-Identifier: GPL-3.0-or-later
// The datagram socket the transport talks through.
//
// The real one is a POSIX UDP socket (UdpSocket); tests and the GUI tests
// use InMemorySocket on an InMemoryNetwork. Addresses are IPv4 values in
// host byte order. Failures are reported as POSIX error numbers.
#pragma once

#include <cstdint>
#include <span>

namespace tarcfg {

struct ReceivedDatagram {
  // The datagram's full length; larger than the buffer when it did not fit
  // (only the buffer's worth was copied). -1 when nothing could be received.
  int length = -1;
  std::uint32_t sender = 0;
  std::uint16_t senderPort = 0;
};

class DatagramSocket {
 public:
  virtual ~DatagramSocket() = default;

  // Creates the socket, enables broadcasting and binds it to any address
  // and `port`. Gives 0, or the error number of the call that failed.
  virtual int Open(std::uint16_t port) = 0;
  // Sends one datagram. Gives 0, or an error number.
  virtual int SendTo(std::uint32_t address, std::uint16_t port,
                     std::span<const std::uint8_t> bytes) = 0;
  // Takes one waiting datagram without blocking.
  virtual ReceivedDatagram ReceiveFrom(std::span<std::uint8_t> buffer) = 0;
  // The descriptor to watch for read readiness; -1 when there is none.
  virtual int descriptor() const = 0;
};

}  // namespace tarcfg
