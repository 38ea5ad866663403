// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/in_memory_network.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tarcfg {

void InMemoryNetwork::Attach(std::uint32_t address, Handler handler, std::uint16_t port) {
  endpoints_[{address, port}] = Endpoint{nullptr, std::move(handler)};
}

void InMemoryNetwork::Detach(std::uint32_t address, std::uint16_t port) {
  auto it = endpoints_.find({address, port});
  if (it != endpoints_.end() && it->second.socket == nullptr)
    endpoints_.erase(it);
}

bool InMemoryNetwork::Bind(InMemorySocket* socket, std::uint32_t address, std::uint16_t port) {
  if (endpoints_.count({address, port}) != 0)
    return false;
  endpoints_[{address, port}] = Endpoint{socket, nullptr};
  return true;
}

void InMemoryNetwork::Unbind(InMemorySocket* socket) {
  for (auto it = endpoints_.begin(); it != endpoints_.end();) {
    if (it->second.socket == socket)
      it = endpoints_.erase(it);
    else
      ++it;
  }
}

bool InMemoryNetwork::Reaches(std::uint32_t endpoint, std::uint32_t to) const {
  if (endpoint == to)
    return true;
  if (to == 0xFFFFFFFFu)
    return true;
  return to == BroadcastOf(endpoint) && (to & netMask_) == (endpoint & netMask_);
}

std::vector<NetworkDatagram> InMemoryNetwork::SentBy(std::uint32_t from) const {
  std::vector<NetworkDatagram> sent;
  for (const auto& datagram : log_)
    if (datagram.from == from)
      sent.push_back(datagram);
  return sent;
}

void InMemoryNetwork::Send(std::uint32_t from, std::uint32_t to, std::vector<std::uint8_t> bytes,
                           std::uint16_t port, std::uint16_t fromPort) {
  NetworkDatagram datagram{from, fromPort, to, port, std::move(bytes)};
  log_.push_back(datagram);
  if (auto drop = drops_.find(from); drop != drops_.end() && drop->second > 0) {
    --drop->second;
    return;
  }
  // Collect the receivers first: a handler may attach, detach or send.
  std::vector<Key> receivers;
  for (const auto& [key, endpoint] : endpoints_)
    if (key.second == port && Reaches(key.first, to))
      receivers.push_back(key);
  for (const auto& key : receivers) {
    auto it = endpoints_.find(key);
    if (it == endpoints_.end())
      continue;
    if (it->second.socket != nullptr) {
      it->second.socket->Deliver(datagram);
    } else if (it->second.handler) {
      Handler handler = it->second.handler;
      handler(datagram);
    }
  }
}

InMemorySocket::~InMemorySocket() {
  network_.Unbind(this);
}

int InMemorySocket::Open(std::uint16_t port) {
  if (openError_ != 0)
    return openError_;
  if (open_)
    network_.Unbind(this);
  open_ = false;
  if (!network_.Bind(this, address_, port))
    return EADDRINUSE;
  port_ = port;
  open_ = true;
  return 0;
}

int InMemorySocket::SendTo(std::uint32_t address, std::uint16_t port,
                           std::span<const std::uint8_t> bytes) {
  if (!open_)
    return EBADF;
  if (sendError_ != 0)
    return sendError_;
  network_.Send(address_, address, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), port,
                port_);
  return 0;
}

ReceivedDatagram InMemorySocket::ReceiveFrom(std::span<std::uint8_t> buffer) {
  ReceivedDatagram result;
  if (queue_.empty())
    return result;
  NetworkDatagram datagram = std::move(queue_.front());
  queue_.pop_front();
  std::size_t n = std::min(buffer.size(), datagram.bytes.size());
  if (n > 0)
    std::memcpy(buffer.data(), datagram.bytes.data(), n);
  result.length = static_cast<int>(datagram.bytes.size());
  result.sender = datagram.from;
  result.senderPort = datagram.fromPort;
  return result;
}

}  // namespace tarcfg
