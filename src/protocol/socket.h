// SPDX-License-Identifier: GPL-3.0-or-later
// The datagram socket the transport talks through.
//
// The real one is a POSIX UDP socket (UdpSocket); tests and the GUI tests
// use InMemorySocket on an InMemoryNetwork. Addresses are IPv4 values in
// host byte order. Failures are reported as POSIX error numbers.
#pragma once

#include <cstddef>
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

// One datagram of a batch to send.
struct OutgoingDatagram {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
  std::span<const std::uint8_t> bytes;
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

  // Takes up to buffers.size() waiting datagrams at once, one per buffer,
  // and gives how many it took (0 when none was waiting); received[i]
  // describes buffers[i]. The first may be waited for when the socket was
  // asked to (UdpSocket::SetReceiveWait), the others never are. The default
  // takes one with ReceiveFrom.
  virtual std::size_t ReceiveBatch(std::span<const std::span<std::uint8_t>> buffers,
                                   std::span<ReceivedDatagram> received) {
    if (buffers.empty() || received.empty())
      return 0;
    received[0] = ReceiveFrom(buffers[0]);
    return received[0].length >= 0 ? 1 : 0;
  }
  // True when SendBatch hands a whole batch to the system at once, so that
  // datagrams that leave together are worth collecting first.
  virtual bool sendsInBatches() const { return false; }
  // Sends the datagrams in order; results[i] is 0 or the error number of
  // datagrams[i]. The default sends them one by one with SendTo.
  virtual void SendBatch(std::span<const OutgoingDatagram> datagrams, std::span<int> results) {
    for (std::size_t i = 0; i < datagrams.size() && i < results.size(); ++i)
      results[i] = SendTo(datagrams[i].address, datagrams[i].port, datagrams[i].bytes);
  }
};

}  // namespace tarcfg
