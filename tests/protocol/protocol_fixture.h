// SPDX-License-Identifier: GPL-3.0-or-later
// A tool and scripted routers on one in-memory network, with ticks and
// datagrams driven by hand.
#pragma once

#include <stdlib.h>

#include <filesystem>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "config/address.h"
#include "config/configuration.h"
#include "config/gui_settings.h"
#include "config/net_database.h"
#include "config/records.h"
#include "protocol/in_memory_network.h"
#include "protocol/router_protocol.h"
#include "protocol/transactions.h"
#include "protocol/wire.h"

namespace tarcfg::testing {

inline constexpr std::uint32_t kOwnAddress = 0x0A000001;  // 10.0.0.1
inline constexpr std::uint32_t kRouterAddress = 0x0A00000A;
inline constexpr std::uint32_t kOtherRouter = 0x0A00000B;
inline constexpr std::uint32_t kBroadcast = 0x0A0000FF;

struct Message {
  std::uint32_t from = 0;
  std::uint32_t to = 0;
  std::uint16_t command = 0;
  std::uint16_t sequence = 0;
  Bytes payload;
};

inline Message Parse(const NetworkDatagram& datagram) {
  WireReader in(datagram.bytes);
  Message message;
  message.from = datagram.from;
  message.to = datagram.to;
  message.command = in.U16();
  message.sequence = in.U16();
  if (datagram.bytes.size() > 4)
    message.payload.assign(datagram.bytes.begin() + 4, datagram.bytes.end());
  return message;
}

// A router that records what it receives, acknowledges numbered messages
// and answers by script.
class ScriptedRouter {
 public:
  using Script = std::function<void(const Message&)>;

  ScriptedRouter(InMemoryNetwork& network, std::uint32_t address)
      : network_(network), address_(address) {
    network_.Attach(address_, [this](const NetworkDatagram& datagram) { OnDatagram(datagram); });
  }
  ~ScriptedRouter() { network_.Detach(address_); }

  void On(std::uint16_t command, Script script) { scripts_[command] = std::move(script); }
  void Forget(std::uint16_t command) { scripts_.erase(command); }

  // Sends a numbered message (its own numbering) or an unnumbered one.
  void Send(std::uint16_t command, const Bytes& payload, bool numbered = true,
            std::uint32_t to = kOwnAddress) {
    std::uint16_t sequence = numbered ? ++sequence_ : 0;
    SendRaw(command, sequence, payload, to);
  }
  void SendRaw(std::uint16_t command, std::uint16_t sequence, const Bytes& payload,
               std::uint32_t to = kOwnAddress) {
    network_.Send(address_, to, BuildMessage(command, sequence, payload));
  }

  std::vector<Message> Received(std::uint16_t command) const {
    std::vector<Message> found;
    for (const auto& message : received)
      if (message.command == command)
        found.push_back(message);
    return found;
  }
  std::uint32_t address() const { return address_; }

  std::vector<Message> received;
  bool acknowledge = true;
  std::uint16_t lastSequence() const { return sequence_; }
  // A restarted router numbers its messages from 1 again.
  void RestartNumbering() { sequence_ = 0; }

 private:
  void OnDatagram(const NetworkDatagram& datagram) {
    if (datagram.from == address_)
      return;
    Message message = Parse(datagram);
    received.push_back(message);
    if (acknowledge && message.sequence != 0 && !IsAcknowledgeCommand(message.command)) {
      WireWriter ack;
      ack.U16(message.sequence);
      network_.Send(address_, datagram.from, BuildMessage(kAcknowledgeCommand, 0, ack.bytes()));
    }
    auto it = scripts_.find(message.command);
    if (it != scripts_.end()) {
      Script script = it->second;
      script(message);
    }
  }

  InMemoryNetwork& network_;
  std::uint32_t address_;
  std::uint16_t sequence_ = 0;
  std::map<std::uint16_t, Script> scripts_;
};

// The registration answer: counts, and optionally the full 44 bytes.
inline Bytes AcceptedPayload(int lineTargets, int routes, int filters, bool full = true) {
  WireWriter out;
  out.U16(0).U16(static_cast<std::uint16_t>(lineTargets)).U16(static_cast<std::uint16_t>(routes));
  out.U16(static_cast<std::uint16_t>(filters));
  if (full)
    out.U32(0xFFFFFF00).Text("0301234", 20).U8(1).U8(0).Text("2.10", 10);
  return out.Take();
}

class ProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    addresses.SetNameResolve(false);
    settings.ownAddress = kOwnAddress;
    settings.netMask = 0xFFFFFF00;
    // A folder of its own: tests run in parallel processes.
    std::string pattern = ::testing::TempDir() + "tarcfg-protocol-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    settings.firmwarePath = pattern;
    protocol = std::make_unique<RouterProtocol>(socket, settings, tables, addresses);
    ASSERT_EQ(
        protocol->OpenRouterProtocol([this](int code) { errors.push_back(code); }, kBroadcast), 0);
  }

  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(settings.firmwarePath, ignored);
  }

  // Hands every datagram waiting for the tool to the protocol.
  void Pump() {
    while (socket.pending() > 0)
      protocol->OnDatagramReady();
  }
  void Tick(int count = 1) {
    for (int i = 0; i < count; ++i) {
      protocol->OnTimerTick();
      Pump();
    }
  }

  // What the tool sent, parsed.
  std::vector<Message> Sent() const {
    std::vector<Message> sent;
    for (const auto& datagram : network.SentBy(kOwnAddress))
      sent.push_back(Parse(datagram));
    return sent;
  }
  std::vector<Message> SentCommand(std::uint16_t command) const {
    std::vector<Message> found;
    for (const auto& message : Sent())
      if (message.command == command)
        found.push_back(message);
    return found;
  }

  // Registers with `router`, which accepts at once with these counts.
  void RegisterWith(ScriptedRouter& router, int lineTargets = 0, int routes = 0, int filters = 0) {
    router.On(command::kRegister, [&router, lineTargets, routes, filters](const Message&) {
      router.Send(command::kRegistrationAccepted, AcceptedPayload(lineTargets, routes, filters));
    });
    protocol->Register([this](const RegistrationResult& result) { results.push_back(result); },
                       router.address());
    Pump();
    router.Forget(command::kRegister);
    ASSERT_EQ(protocol->state(), ProtocolState::Registered);
  }

  InMemoryNetwork network;
  InMemorySocket socket{network, kOwnAddress};
  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  GuiSettings settings;
  std::unique_ptr<RouterProtocol> protocol;
  std::vector<int> errors;
  std::vector<RegistrationResult> results;
};

// The numbered request layer on a transport over `Socket` (an in-memory
// socket of the tool at kOwnAddress): what reaches the router, what the layer
// hands upward (and a hook run after each), and the errors it reports.
template <class Socket>
class TransactionsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    network.Attach(kRouterAddress,
                   [this](const NetworkDatagram& d) { atRouter.push_back(Parse(d)); });
    ASSERT_EQ(transactions.InitTransactions(
                  kRouterPort,
                  [this](std::uint32_t sender, std::uint16_t command, std::uint16_t sequence,
                         std::span<const std::uint8_t> payload) {
                    delivered.push_back({sender, kOwnAddress, command, sequence,
                                         Bytes(payload.begin(), payload.end())});
                    if (onDelivered)
                      onDelivered();
                  },
                  [this](int code) { errors.push_back(code); }, kOwnAddress),
              0);
  }

  InMemoryNetwork network;
  Socket socket{network, kOwnAddress};
  Transport transport{socket};
  Transactions transactions{transport};
  std::vector<Message> atRouter;
  std::vector<Message> delivered;
  std::vector<int> errors;
  std::function<void()> onDelivered;
};

}  // namespace tarcfg::testing
