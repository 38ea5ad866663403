// SPDX-License-Identifier: GPL-3.0-or-later
// The router protocol under the fuzzer: one RouterProtocol on an in-memory
// network, driven by hand like the protocol tests drive it.
//
// An input starts with three bytes that choose the state to fuzz and how to
// get there (see StartState and Start), followed by operations until the
// input ends:
//
//   0 RouterDatagram  len:u16 bytes        a datagram from the router
//   1 OtherDatagram   who:u8 len:u16 bytes a datagram from kSenders[who]
//   2 Ticks           n:u8                 1 + n % 8 ticks
//   3 LongWait        n:u8                 n ticks (time-outs of up to 120)
//   4 Acknowledge     delta:u8             the router acknowledges the tool's
//                                          last numbered message (+ delta)
//   5 Answer          command:u8 mode:u8 [sequence:u16] len:u16 bytes
//                                          an answer to the tool's last request
//   6 FrontEnd        action:u8 arguments  what the user interface may call
//   7 SendFailures    on:u8                the socket refuses to send (odd)
//                                          or sends again (even)
//
// The operation byte is taken modulo 8. Numbers are big-endian; a length
// longer than what is left takes the rest. The harness never sleeps and
// never touches a real socket. Checks besides "no crash, no UB, no leak":
// every operation's final callback comes at most once and nothing of it
// after the end, read lists are no longer than asked for, a write reports
// exactly the messages of the difference walk, accounting gives back as many
// targets as it was given, and a download reports progress from 0 to 100
// without going back and ends only after 100.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "fuzz_support.h"
#include "protocol/in_memory_network.h"
#include "protocol/router_protocol.h"
#include "protocol/transactions.h"

namespace tarcfg::fuzz {

inline constexpr std::uint32_t kOwnAddress = 0x0A000001;     // 10.0.0.1
inline constexpr std::uint32_t kRouterAddress = 0x0A00000A;  // 10.0.0.10
inline constexpr std::uint32_t kOtherRouter = 0x0A00000B;    // 10.0.0.11
inline constexpr std::uint32_t kBroadcast = 0x0A0000FF;
inline constexpr std::uint32_t kNetMask = 0xFFFFFF00;
inline constexpr HardwareAddress kRouterHardware = {0x00, 0x40, 0x8C, 0x12, 0x34, 0x56};

// Who else may send: another router, the tool's own address (its broadcasts
// come back), nobody (a loader without address), the broadcast address, a
// line target's host, a host off the network.
inline constexpr std::uint32_t kSenders[] = {kRouterAddress, kOtherRouter, kOwnAddress, 0,
                                             kBroadcast,     0x0A000014,   0xC0A80001,  0xFFFFFFFF};
inline constexpr std::size_t kSenderCount = sizeof kSenders / sizeof kSenders[0];

// The largest datagram the tool ever sends: a firmware block.
inline constexpr std::size_t kLargestMessage = kHeaderLength + 4 + kBlockSize;

enum class StartState : std::uint8_t {
  kIdle,
  kScanning,
  kOverview,
  kRegistering,
  kPasswordRequested,
  kPasswordSent,
  kRegistered,
  kReadingTable,
  kWritingTable,
  kChangingPassword,
  kWritingParameters,
  kMonitoring,
  kAccounting,
  kWaitingForLoader,
  kDownloadRequested,
  kDownloading,
  kRestarting,
  kFirmwareDownload,
  kCount
};

enum Operation : std::uint8_t {
  kOpRouterDatagram,
  kOpOtherDatagram,
  kOpTicks,
  kOpLongWait,
  kOpAcknowledge,
  kOpAnswer,
  kOpFrontEnd,
  kOpSendFailures,
  kOpCount
};

// The calls a front end makes, with their argument bytes.
enum FrontEndAction : std::uint8_t {
  kActDeregister,
  kActAbandonPassword,
  kActSendPassword,  // text:u8-length-prefixed
  kActStartMonitor,
  kActStopMonitor,
  kActConnect,     // position:u8
  kActDisconnect,  // channel:u8
  kActScan,
  kActOverview,
  kActRegister,         // who:u8
  kActRead,             // kind:u8 count:u8 (0xFF: the counts of the registration)
  kActWrite,            // kind:u8 shape:u8
  kActAccounting,       // reset:u8 count:u8
  kActChangePassword,   // exclusive:u8
  kActWriteParameters,  // exclusive:u8
  kActEnterLoader,
  kActStartDownload,     // size:u16
  kActDownloadFirmware,  // lists:u8
  kActCount
};

// Answer modes (the mode byte of an Answer operation).
inline constexpr std::uint8_t kAnswerUnnumbered = 0;
inline constexpr std::uint8_t kAnswerFresh = 1;
inline constexpr std::uint8_t kAnswerRepeat = 2;
inline constexpr std::uint8_t kAnswerExplicit = 3;
inline constexpr std::uint8_t kAnswerEcho = 4;       // prefix the fields the router echoes
inline constexpr std::uint8_t kAnswerFromOther = 8;  // sent by kOtherRouter

// Commands a router sends, for the command byte of an Answer operation
// (0: the natural answer to the request, 1..: this table, from 0xF0: a
// 16-bit command follows).
inline constexpr std::uint16_t kRouterCommands[] = {command::kDownloadOffer,
                                                    command::kLineStatusReport,
                                                    command::kDeregister,
                                                    command::kPasswordRequest,
                                                    command::kDisconnect,
                                                    command::kRegistrationAccepted,
                                                    command::kRegistrationRefused,
                                                    command::kPasswordChanged,
                                                    command::kTableEntry,
                                                    command::kAccountingEntry,
                                                    command::kTableEntryWritten,
                                                    command::kParametersWritten,
                                                    command::kScanAnswer,
                                                    command::kOverviewAnswer,
                                                    kAcknowledgeCommand,
                                                    command::kRegister,
                                                    command::kPassword,
                                                    command::kScanQuery};
inline constexpr std::size_t kRouterCommandCount =
    sizeof kRouterCommands / sizeof kRouterCommands[0];

// A message the tool sent.
struct SentMessage {
  bool valid = false;
  std::uint32_t to = 0;
  std::uint16_t command = 0;
  std::uint16_t sequence = 0;
  Bytes payload;
};

// The registration answer: counts, then the router's parameters.
Bytes AcceptedPayload(int lineTargets, int routes, int filters);

class RouterProtocolHarness {
 public:
  // `flags`: bit 6 name resolving on, bit 7 callbacks that call back into
  // the protocol (Deregister when an operation within the registration
  // ends, the password at once when it is asked for).
  explicit RouterProtocolHarness(std::uint8_t flags);
  ~RouterProtocolHarness();
  RouterProtocolHarness(const RouterProtocolHarness&) = delete;
  RouterProtocolHarness& operator=(const RouterProtocolHarness&) = delete;

  RouterProtocol& protocol();
  const SentMessage& lastRequest() const;
  // Called for every datagram the tool sends (the seed generator feeds the
  // router emulator with them).
  void SetToolDatagramObserver(std::function<void(const NetworkDatagram&)> observer);

  // Gets the protocol into `state` (see StartState).
  void Start(StartState state, std::uint8_t variant, std::uint8_t count);
  // Operations until the input ends.
  void Run(FuzzInput& in);
  // One operation.
  void Step(FuzzInput& in);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// The whole input: three bytes that choose the state, then operations.
void RunRouterProtocolInput(const std::uint8_t* data, std::size_t size);

}  // namespace tarcfg::fuzz
