// SPDX-License-Identifier: GPL-3.0-or-later
// The router protocol harness inside: the state it keeps and the steps it
// takes. router_protocol_harness.cpp gets the protocol into a start state
// and plays the router's and the front end's side;
// router_protocol_operations.cpp starts the front end's operations with the
// callbacks that check them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "config/net_database.h"
#include "router_protocol_harness.h"

namespace tarcfg::fuzz {

class RouterProtocolHarness::Impl {
 public:
  // The folder with the firmware image that DownloadFirmware loads.
  static const std::string& FirmwareDirectory();

  // `flags`: bit 6 name resolving on, bit 7 callbacks that call back into
  // the protocol (Deregister when an operation within the registration
  // ends, the password at once when it is asked for).
  explicit Impl(std::uint8_t flags);
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  RouterProtocol& protocol() { return *protocol_; }
  const SentMessage& lastRequest() const { return lastRequest_; }
  const SentMessage& lastNumbered() const { return lastNumbered_; }
  // Called for every datagram the tool sends (the seed generator feeds the
  // router emulator with them).
  void SetToolDatagramObserver(std::function<void(const NetworkDatagram&)> observer);

  // Getting into a state, and the operations of an input.
  void Start(StartState state, std::uint8_t variant, std::uint8_t count);

  void Run(FuzzInput& in);
  void Step(FuzzInput& in);

  // The router's side.
  void Deliver(std::uint32_t from, Bytes bytes);
  void RouterSends(std::uint16_t commandWord, const Bytes& payload, bool numbered = true);
  // The router acknowledges the tool's last numbered message.
  void Acknowledge(std::uint8_t delta);
  void Tick(int count);

  // The front end's side.
  void FrontEnd(FuzzInput& in);

 private:
  // What one operation's callbacks have seen.
  struct Calls {
    int finals = 0;
    int passwordRequests = 0;
    int lastPercent = -1;
    bool saw100 = false;
  };
  using CallsPointer = std::shared_ptr<Calls>;

  static void Final(Calls& calls) { FUZZ_CHECK(++calls.finals == 1); }

  void Reenter();
  std::uint16_t NextRouterSequence();
  static std::uint32_t AnswerSender(std::uint32_t to);

  // Hands every datagram waiting for the tool to the protocol.
  void Pump();

  // Looks at what the tool sent since the last call.
  void Collect();

  // An answer to the tool's last request.
  void Answer(FuzzInput& in);

  // The fields a router repeats from the request at the start of its answer.
  static void EchoedFields(const SentMessage& request, std::uint16_t answer, WireWriter& out);

  // Operations the front end starts, with their checking callbacks
  // (router_protocol_operations.cpp).
  void Registered(std::uint8_t variant, std::uint8_t count);
  RouterProtocol::RegistrationCallback RegistrationReply();
  RouterProtocol::ScanCallback ScanReply();
  RouterProtocol::OverviewCallback OverviewReply();
  RouterProtocol::LineStatusCallback LineMonitor();
  RouterProtocol::DoneCallback Done();
  void StartRead(std::uint8_t kind, int count);
  RouterProtocol::CountCallback WriteDone(int expected);
  // The lists live only during the call: the protocol must work on copies.
  void StartWrite(std::uint8_t kind, std::uint8_t shape);
  void StartAccounting(std::uint8_t reset, int count);
  void ChangePassword(std::uint8_t exclusive);
  RouterParameters Parameters(std::uint8_t exclusive) const;
  void WriteParameters(std::uint8_t exclusive);
  void EnterLoader();
  RouterProtocol::ScanCallback DownloadDone(const CallsPointer& calls);
  RouterProtocol::ProgressCallback Progress(const CallsPointer& calls);
  void StartDownload(std::size_t size);
  void DownloadFirmware(std::uint8_t lists);

  const bool reentrant_;
  InMemoryNetwork network_{kNetMask};
  InMemorySocket socket_{network_, kOwnAddress};
  FakeNetDatabase database_;
  AddressService addresses_;
  ProtocolTables tables_;
  GuiSettings settings_;
  std::function<void(const NetworkDatagram&)> observer_;

  SentMessage lastRequest_;
  SentMessage lastNumbered_;
  std::uint16_t routerSequence_ = 0;
  std::uint16_t challenge_ = 0;
  std::uint16_t seed_ = 0;
  std::array<int, 3> acceptedCounts_{};
  int errors_ = 0;
  int abandoned_ = 0;

  // Last, so that it goes first: its callbacks point into the harness.
  std::unique_ptr<RouterProtocol> protocol_;
};

}  // namespace tarcfg::fuzz
