// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/simulated_lan.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "protocol/router_protocol.h"
#include "sim/router_file.h"

namespace tarcfg::testing {

std::vector<tarnex_sim::RouterConfig> RouterFile(std::string_view text) {
  tarnex_sim::RouterFileResult file = tarnex_sim::ParseRouterFile(std::string(text));
  if (!file.error.empty())
    throw std::invalid_argument("router file: " + file.error);
  return std::move(file.routers);
}

SimulatedLan::SimulatedLan(std::vector<tarnex_sim::RouterConfig> routers)
    : SimulatedLan(std::move(routers), Options{}) {}

SimulatedLan::SimulatedLan(std::vector<tarnex_sim::RouterConfig> routers, Options options)
    : options_(std::move(options)),
      network_(std::move(routers), options_.faults, options_.seed, options_.timing) {
  network_.SetDeliveryObserver(
      [this](std::size_t router, std::uint32_t sender, std::span<const std::uint8_t> bytes) {
        Log(LanDatagram::Kind::RouterReceived, sender, 0, static_cast<int>(router), bytes);
      });
}

int SimulatedLan::Open(std::uint16_t) {
  if (openError_ != 0)
    return openError_;
  open_ = true;
  return 0;
}

int SimulatedLan::SendTo(std::uint32_t address, std::uint16_t port,
                         std::span<const std::uint8_t> bytes) {
  if (!open_)
    return EBADF;
  if (sendError_ != 0)
    return sendError_;
  Log(LanDatagram::Kind::ToolSent, options_.ownAddress, address, -1, bytes);
  // A broadcast comes back to the sender's own socket, as on a real network.
  if (ReachesWorkstation(address))
    inbox_.push_back(Waiting{options_.ownAddress, {bytes.begin(), bytes.end()}});
  if (port == kRouterPort && address != options_.ownAddress) {
    const LinkVerdict verdict = linkFilter_ ? linkFilter_(true, address, bytes) : LinkVerdict{};
    for (int copy = 0; copy < verdict.copies; ++copy) {
      if (verdict.delayMs > 0)
        delayed_.push_back(Delayed{now_ + verdict.delayMs,
                                   true,
                                   options_.ownAddress,
                                   address,
                                   {bytes.begin(), bytes.end()}});
      else
        DeliverToRouters(address, bytes);
    }
  }
  return 0;
}

void SimulatedLan::DeliverToRouters(std::uint32_t address, std::span<const std::uint8_t> bytes) {
  const std::size_t before = log_.size();
  network_.Receive(now_, options_.ownAddress, address, bytes);
  // The routers learn the destination from the log entries just made.
  for (std::size_t i = before; i < log_.size(); ++i)
    if (log_[i].kind == LanDatagram::Kind::RouterReceived)
      log_[i].to = address;
  Collect();
}

void SimulatedLan::ReleaseDelayed() {
  // In the order they fall due; equal times keep their sending order.
  std::stable_sort(delayed_.begin(), delayed_.end(),
                   [](const Delayed& a, const Delayed& b) { return a.dueMs < b.dueMs; });
  std::size_t due = 0;
  while (due < delayed_.size() && delayed_[due].dueMs <= now_)
    ++due;
  std::vector<Delayed> ready(std::make_move_iterator(delayed_.begin()),
                             std::make_move_iterator(delayed_.begin() + due));
  delayed_.erase(delayed_.begin(), delayed_.begin() + due);
  for (Delayed& d : ready) {
    if (d.toRouters)
      DeliverToRouters(d.to, d.bytes);
    else
      inbox_.push_back(Waiting{d.from, std::move(d.bytes)});
  }
}

ReceivedDatagram SimulatedLan::ReceiveFrom(std::span<std::uint8_t> buffer) {
  ReceivedDatagram received;
  if (!open_ || inbox_.empty())
    return received;
  Waiting datagram = std::move(inbox_.front());
  inbox_.pop_front();
  const std::size_t copied = std::min(buffer.size(), datagram.bytes.size());
  if (copied > 0)
    std::memcpy(buffer.data(), datagram.bytes.data(), copied);
  received.length = static_cast<int>(datagram.bytes.size());
  received.sender = datagram.from;
  received.senderPort = kRouterPort;
  return received;
}

void SimulatedLan::AdvanceMs(std::uint64_t ms) {
  const std::uint64_t end = now_ + ms;
  // Every event on the way runs at its own time, so that what it starts
  // (a repetition period, the next report) counts from there.
  for (std::uint64_t next = network_.NextEventMs(); next <= end; next = network_.NextEventMs()) {
    now_ = std::max(now_, next);
    network_.Advance(now_);
    Collect();
    // An event that stays due (a zero period) must not hold the clock still.
    if (network_.NextEventMs() <= now_) {
      if (now_ == end)
        break;
      ++now_;
    }
  }
  now_ = end;
  network_.Advance(now_);
  Collect();
  if (!delayed_.empty())
    ReleaseDelayed();
}

void SimulatedLan::Pump(RouterProtocol& protocol) {
  while (pending() > 0)
    protocol.OnDatagramReady();
}

void SimulatedLan::Tick(RouterProtocol& protocol, int seconds) {
  for (int i = 0; i < seconds; ++i) {
    AdvanceMs(1000);
    Pump(protocol);
    protocol.OnTimerTick();
    Pump(protocol);
  }
}

bool SimulatedLan::Reboot(std::size_t router) {
  const bool known = network_.Reboot(router, now_);
  Collect();
  return known;
}

bool SimulatedLan::Reboot(const tarnex_sim::HardwareAddress& hardware) {
  std::optional<std::size_t> index = RouterWith(hardware);
  return index && Reboot(*index);
}

bool SimulatedLan::Silence(std::size_t router, bool silenced) {
  return network_.Silence(router, silenced);
}

bool SimulatedLan::Silence(const tarnex_sim::HardwareAddress& hardware, bool silenced) {
  return network_.Silence(hardware, silenced);
}

std::optional<std::size_t> SimulatedLan::RouterAt(std::uint32_t address) const {
  const auto& routers = network_.routers();
  for (std::size_t i = 0; i < routers.size(); ++i)
    if (address != 0 && routers[i].CurrentAddress() == address)
      return i;
  return std::nullopt;
}

std::optional<std::size_t> SimulatedLan::RouterWith(
    const tarnex_sim::HardwareAddress& hardware) const {
  return network_.FindRouter(hardware);
}

std::vector<LanDatagram> SimulatedLan::SentByTool(std::uint16_t command) const {
  return Find(LanDatagram::Kind::ToolSent, command, -1);
}

std::vector<LanDatagram> SimulatedLan::ReceivedBy(std::size_t index, std::uint16_t command) const {
  return Find(LanDatagram::Kind::RouterReceived, command, static_cast<int>(index));
}

std::vector<LanDatagram> SimulatedLan::SentToTool(std::uint16_t command) const {
  std::vector<LanDatagram> found;
  for (const LanDatagram& d : Find(LanDatagram::Kind::RouterSent, command, -1))
    if (ReachesWorkstation(d.to))
      found.push_back(d);
  return found;
}

std::vector<LanDatagram> SimulatedLan::Find(LanDatagram::Kind kind, std::uint16_t command,
                                            int router) const {
  std::vector<LanDatagram> found;
  for (const LanDatagram& d : log_)
    if (d.kind == kind && d.command == command && (router < 0 || d.router == router))
      found.push_back(d);
  return found;
}

void SimulatedLan::Collect() {
  for (tarnex_sim::Datagram& d : network_.TakeOutgoing(now_)) {
    const std::uint32_t from = d.from != 0 ? d.from : options_.anonymousSource;
    Log(LanDatagram::Kind::RouterSent, from, d.to, -1, d.bytes);
    if (!ReachesWorkstation(d.to))
      continue;
    const LinkVerdict verdict = linkFilter_ ? linkFilter_(false, from, d.bytes) : LinkVerdict{};
    for (int copy = 0; copy < verdict.copies; ++copy) {
      if (verdict.delayMs > 0)
        delayed_.push_back(Delayed{now_ + verdict.delayMs, false, from, d.to, d.bytes});
      else
        inbox_.push_back(Waiting{from, d.bytes});
    }
  }
}

bool SimulatedLan::ReachesWorkstation(std::uint32_t to) const {
  return to == options_.ownAddress || to == 0xFFFFFFFF || to == broadcastAddress();
}

void SimulatedLan::Log(LanDatagram::Kind kind, std::uint32_t from, std::uint32_t to, int router,
                       std::span<const std::uint8_t> bytes) {
  LanDatagram entry;
  entry.kind = kind;
  entry.atMs = now_;
  entry.from = from;
  entry.to = to;
  entry.router = router;
  if (bytes.size() >= 2)
    entry.command = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
  if (bytes.size() >= 4)
    entry.sequence = static_cast<std::uint16_t>(bytes[2] << 8 | bytes[3]);
  entry.bytes.assign(bytes.begin(), bytes.end());
  log_.push_back(std::move(entry));
}

}  // namespace tarcfg::testing
