// SPDX-License-Identifier: GPL-3.0-or-later
// An in-memory IPv4 network for tests: the tool's socket and scripted
// routers exchange datagrams without touching the operating system.
//
// Datagrams to a socket wait in its queue until the owner receives them
// (the test or the GUI test drives OnDatagramReady). Datagrams to an
// attached handler (a scripted router) are handed to it at once, inside the
// send; whatever the handler sends back is queued for the tool. A directed
// broadcast of a network, or 255.255.255.255, reaches every endpoint on
// that port, the sender's own socket included, as on a real network.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <span>
#include <utility>
#include <vector>

#include "protocol/socket.h"

namespace tarcfg {

struct NetworkDatagram {
  std::uint32_t from = 0;
  std::uint16_t fromPort = 0;
  std::uint32_t to = 0;
  std::uint16_t toPort = 0;
  std::vector<std::uint8_t> bytes;
};

class InMemorySocket;

class InMemoryNetwork {
 public:
  using Handler = std::function<void(const NetworkDatagram&)>;

  // All endpoints share one net mask; it decides what a broadcast reaches.
  explicit InMemoryNetwork(std::uint32_t netMask = 0xFFFFFF00u) : netMask_(netMask) {}

  std::uint32_t netMask() const { return netMask_; }
  std::uint32_t BroadcastOf(std::uint32_t address) const { return address | ~netMask_; }

  // A scripted router (or any other party) at `address`:`port`.
  void Attach(std::uint32_t address, Handler handler, std::uint16_t port = 1532);
  void Detach(std::uint32_t address, std::uint16_t port = 1532);

  // Sends a datagram into the network from `from`:`fromPort`.
  void Send(std::uint32_t from, std::uint32_t to, std::vector<std::uint8_t> bytes,
            std::uint16_t port = 1532, std::uint16_t fromPort = 1532);

  // Every datagram sent, in order.
  const std::vector<NetworkDatagram>& log() const { return log_; }
  void ClearLog() { log_.clear(); }
  // Datagrams sent by `from`, in order.
  std::vector<NetworkDatagram> SentBy(std::uint32_t from) const;

  // Drops the next `count` datagrams sent by `from` (they are still logged).
  void DropNextFrom(std::uint32_t from, int count) { drops_[from] += count; }

 private:
  friend class InMemorySocket;
  struct Endpoint {
    InMemorySocket* socket = nullptr;
    Handler handler;
  };
  using Key = std::pair<std::uint32_t, std::uint16_t>;

  bool Bind(InMemorySocket* socket, std::uint32_t address, std::uint16_t port);
  void Unbind(InMemorySocket* socket);
  bool Reaches(std::uint32_t endpoint, std::uint32_t to) const;

  std::uint32_t netMask_;
  std::map<Key, Endpoint> endpoints_;
  std::map<std::uint32_t, int> drops_;
  std::vector<NetworkDatagram> log_;
};

class InMemorySocket : public DatagramSocket {
 public:
  InMemorySocket(InMemoryNetwork& network, std::uint32_t address)
      : network_(network), address_(address) {}
  ~InMemorySocket() override;
  InMemorySocket(const InMemorySocket&) = delete;
  InMemorySocket& operator=(const InMemorySocket&) = delete;

  int Open(std::uint16_t port) override;
  int SendTo(std::uint32_t address, std::uint16_t port,
             std::span<const std::uint8_t> bytes) override;
  ReceivedDatagram ReceiveFrom(std::span<std::uint8_t> buffer) override;
  int descriptor() const override { return -1; }

  std::uint32_t address() const { return address_; }
  std::size_t pending() const { return queue_.size(); }

  // Fault injection: Open gives `error`; sends give `error` while set (0 = off).
  void FailOpenWith(int error) { openError_ = error; }
  void FailSendsWith(int error) { sendError_ = error; }

 private:
  friend class InMemoryNetwork;
  void Deliver(const NetworkDatagram& datagram) { queue_.push_back(datagram); }

  InMemoryNetwork& network_;
  std::uint32_t address_;
  std::uint16_t port_ = 0;
  bool open_ = false;
  int openError_ = 0;
  int sendError_ = 0;
  std::deque<NetworkDatagram> queue_;
};

}  // namespace tarcfg
