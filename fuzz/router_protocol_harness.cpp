// SPDX-License-Identifier: GPL-3.0-or-later
// The router protocol harness: how it gets the protocol into each start
// state, and what the router's and the front end's operations do.
#include "router_protocol_harness.h"

#include "router_protocol_harness_impl.h"

#include <cerrno>
#include <memory>
#include <utility>

#include "protocol/firmware_image.h"

namespace tarcfg::fuzz {
namespace {

// The answer a router gives to `request`, as far as one is defined.
std::uint16_t NaturalAnswer(std::uint16_t request) {
  switch (request) {
    case command::kRegister:
    case command::kPassword:
      return command::kRegistrationAccepted;
    case command::kChangePassword:
      return command::kPasswordChanged;
    case command::kReadTableEntry:
      return command::kTableEntry;
    case command::kReadAccounting:
      return command::kAccountingEntry;
    case command::kWriteTableEntry:
      return command::kTableEntryWritten;
    case command::kWriteParameters:
      return command::kParametersWritten;
    case command::kAssignLoaderAddress:
      return command::kDownloadOffer;
    case command::kDownloadBlock:
      return kAcknowledgeCommand;
    case command::kStartLineMonitor:
      return command::kLineStatusReport;
    case command::kConnect:
    case command::kDisconnect:
      return command::kDisconnect;
    case command::kDeregister:
      return command::kDeregister;
    case command::kOverviewQuery:
      return command::kOverviewAnswer;
    default:  // scan queries, the loader and the restart: the router shows itself
      return command::kScanAnswer;
  }
}

}  // namespace

// The registration answer: counts, then the router's parameters.
Bytes AcceptedPayload(int lineTargets, int routes, int filters) {
  WireWriter out;
  out.U16(0).U16(static_cast<std::uint16_t>(lineTargets)).U16(static_cast<std::uint16_t>(routes));
  out.U16(static_cast<std::uint16_t>(filters));
  out.U32(kNetMask).Text("0301234", kPhoneNumberCapacity).U8(1).U8(0).Text("2.10", 10);
  return out.Take();
}

// The folder with the firmware image that DownloadFirmware loads.
const std::string& RouterProtocolHarness::Impl::FirmwareDirectory() {
  static const std::string directory = [] {
    Bytes image(kMinimumImageSize, 0);
    for (std::size_t i = 0; i < 0x1000; ++i)
      image[i] = static_cast<std::uint8_t>(i * 7);
    image[kConfigurationSegmentOffset] = 0x00;
    image[kConfigurationSegmentOffset + 1] = 0xD0;  // segment 0xD000
    image[kSignatureOffset] = 0x24;
    image[kSignatureOffset + 1] = 0x42;
    WriteWholeFile(ScratchDirectory::File("fw_dss1.2.10"), image);
    return ScratchDirectory::Path();
  }();
  return directory;
}

// `flags`: bit 6 name resolving on, bit 7 callbacks that call back into
// the protocol (Deregister when an operation within the registration
// ends, the password at once when it is asked for).
RouterProtocolHarness::Impl::Impl(std::uint8_t flags)
    : reentrant_((flags & 0x80) != 0), addresses_(database_) {
  database_.AddHost("router.example", kRouterAddress);
  database_.AddHost("gw.example", 0x0A000014);
  addresses_.SetNameResolve((flags & 0x40) != 0);
  settings_.ownAddress = kOwnAddress;
  settings_.netMask = kNetMask;
  settings_.firmwarePath = FirmwareDirectory();
  protocol_ = std::make_unique<RouterProtocol>(socket_, settings_, tables_, addresses_);
  protocol_->SetSeedSource([] { return std::uint16_t{0x1234}; });
  protocol_->SetRegistrationAbandonedCallback([this] { ++abandoned_; });
  const int opened = protocol_->OpenRouterProtocol([this](int) { ++errors_; }, kBroadcast);
  FUZZ_CHECK(opened == 0);
}

// Called for every datagram the tool sends (the seed generator feeds the
// router emulator with them).
void RouterProtocolHarness::Impl::SetToolDatagramObserver(
    std::function<void(const NetworkDatagram&)> observer) {
  observer_ = std::move(observer);
}

void RouterProtocolHarness::Impl::Start(StartState state, std::uint8_t variant,
                                        std::uint8_t count) {
  switch (state) {
    case StartState::kIdle:
    case StartState::kCount:
      break;
    case StartState::kScanning:
      protocol_->ScanNetwork(ScanReply());
      break;
    case StartState::kOverview:
      protocol_->QueryRouterOverview(OverviewReply());
      break;
    case StartState::kRegistering:
      protocol_->Register(RegistrationReply(), (variant & 1) ? kOtherRouter : kRouterAddress);
      break;
    case StartState::kPasswordRequested:
    case StartState::kPasswordSent:
      protocol_->Register(RegistrationReply(), kRouterAddress);
      RouterSends(command::kPasswordRequest,
                  WireWriter().U16(static_cast<std::uint16_t>(variant * 257 + count)).Take());
      if (state == StartState::kPasswordSent)
        protocol_->SendPassword(challenge_, (variant & 2) ? "wrong" : "secret", seed_);
      break;
    case StartState::kRegistered:
      Registered(variant, count);
      break;
    case StartState::kReadingTable:
      Registered(variant, count);
      StartRead(variant, 1 + count % 8);
      break;
    case StartState::kWritingTable:
      Registered(variant, count);
      StartWrite(variant, count);
      break;
    case StartState::kChangingPassword:
      Registered(variant, count);
      ChangePassword(variant);
      break;
    case StartState::kWritingParameters:
      Registered(variant, count);
      WriteParameters(variant);
      break;
    case StartState::kMonitoring:
      Registered(variant, count);
      protocol_->StartLineMonitor(LineMonitor());
      Collect();
      if (variant & 1)
        Acknowledge(0);
      break;
    case StartState::kAccounting:
      Registered(variant, count);
      StartAccounting(variant, 1 + count % 6);
      break;
    case StartState::kWaitingForLoader:
      Registered(variant, count);
      EnterLoader();
      break;
    case StartState::kDownloadRequested:
    case StartState::kDownloading:
    case StartState::kRestarting: {
      if (variant & 1)
        Registered(variant, 0);
      // Restarting needs the last block: an image shorter than one block.
      std::size_t size =
          state == StartState::kRestarting ? count % kBlockSize : 37u * count + variant % 64;
      StartDownload(size);
      if (state == StartState::kDownloadRequested)
        break;
      RouterSends(command::kDownloadOffer, WireWriter().U32(kRouterAddress).Take());
      if (state == StartState::kRestarting)
        Acknowledge(0);
      break;
    }
    case StartState::kFirmwareDownload:
      Registered(variant, count);
      DownloadFirmware(variant);
      break;
  }
  Collect();
}

void RouterProtocolHarness::Impl::Run(FuzzInput& in) {
  while (!in.empty())
    Step(in);
}

void RouterProtocolHarness::Impl::Step(FuzzInput& in) {
  switch (in.U8() % kOpCount) {
    case kOpRouterDatagram: {
      std::uint16_t length = in.U16();
      auto bytes = in.Take(length);
      Deliver(kRouterAddress, Bytes(bytes.begin(), bytes.end()));
      break;
    }
    case kOpOtherDatagram: {
      std::uint32_t sender = kSenders[in.U8() % kSenderCount];
      std::uint16_t length = in.U16();
      auto bytes = in.Take(length);
      Deliver(sender, Bytes(bytes.begin(), bytes.end()));
      break;
    }
    case kOpTicks:
      Tick(1 + in.U8() % 8);
      break;
    case kOpLongWait:
      Tick(in.U8());
      break;
    case kOpAcknowledge:
      Acknowledge(in.U8());
      break;
    case kOpAnswer:
      Answer(in);
      break;
    case kOpFrontEnd:
      FrontEnd(in);
      break;
    case kOpSendFailures:
      // A firewall or a lost route: every send fails until switched off.
      socket_.FailSendsWith((in.U8() & 1) != 0 ? EPERM : 0);
      break;
  }
}

void RouterProtocolHarness::Impl::Deliver(std::uint32_t from, Bytes bytes) {
  Collect();
  network_.Send(from, kOwnAddress, std::move(bytes));
  // The log now holds only this datagram, which may even claim the
  // tool's own address as sender: it is not the tool's.
  network_.ClearLog();
  Pump();
  Collect();
}

void RouterProtocolHarness::Impl::RouterSends(std::uint16_t commandWord, const Bytes& payload,
                                              bool numbered) {
  Deliver(kRouterAddress,
          BuildMessage(commandWord, numbered ? NextRouterSequence() : std::uint16_t{0}, payload));
}

// The router acknowledges the tool's last numbered message.
void RouterProtocolHarness::Impl::Acknowledge(std::uint8_t delta) {
  if (!lastNumbered_.valid)
    return;
  WireWriter payload;
  payload.U16(static_cast<std::uint16_t>(lastNumbered_.sequence + delta));
  Deliver(AnswerSender(lastNumbered_.to), BuildMessage(kAcknowledgeCommand, 0, payload.bytes()));
}

void RouterProtocolHarness::Impl::Tick(int count) {
  for (int i = 0; i < count; ++i) {
    protocol_->OnTimerTick();
    Pump();
    Collect();
  }
}

void RouterProtocolHarness::Impl::FrontEnd(FuzzInput& in) {
  const ProtocolState state = protocol_->state();
  const bool registered = state == ProtocolState::Registered;
  switch (in.U8() % kActCount) {
    case kActDeregister:
      protocol_->Deregister();
      break;
    case kActAbandonPassword:
      protocol_->AbandonPasswordPrompt();
      break;
    case kActSendPassword:
      protocol_->SendPassword(challenge_, in.Text(12), seed_);
      break;
    case kActStartMonitor:
      protocol_->StartLineMonitor(LineMonitor());
      break;
    case kActStopMonitor:
      protocol_->StopLineMonitor();
      break;
    case kActConnect:
      protocol_->ConnectLineTarget(in.U8());
      break;
    case kActDisconnect:
      protocol_->DisconnectChannel(in.U8() % 3);
      break;
    case kActScan:
      protocol_->ScanNetwork(ScanReply());
      break;
    case kActOverview:
      protocol_->QueryRouterOverview(OverviewReply());
      break;
    case kActRegister: {
      static constexpr std::uint32_t kTargets[] = {kRouterAddress, kOtherRouter, kBroadcast, 0};
      protocol_->Register(RegistrationReply(), kTargets[in.U8() % 4]);
      break;
    }
    // The menus offer the rest only while registered and idle.
    case kActRead: {
      std::uint8_t kind = in.U8();
      std::uint8_t count = in.U8();
      if (registered)
        StartRead(kind, count == 0xFF ? -1 : count % 16);
      break;
    }
    case kActWrite: {
      std::uint8_t kind = in.U8();
      std::uint8_t shape = in.U8();
      if (registered)
        StartWrite(kind, shape);
      break;
    }
    case kActAccounting: {
      std::uint8_t reset = in.U8();
      std::uint8_t count = in.U8();
      if (registered)
        StartAccounting(reset, count % 8);
      break;
    }
    case kActChangePassword: {
      std::uint8_t exclusive = in.U8();
      if (registered)
        ChangePassword(exclusive);
      break;
    }
    case kActWriteParameters: {
      std::uint8_t exclusive = in.U8();
      if (registered)
        WriteParameters(exclusive);
      break;
    }
    case kActEnterLoader:
      if (registered)
        EnterLoader();
      break;
    case kActStartDownload: {
      std::uint16_t size = in.U16();
      if (registered || state == ProtocolState::Idle)
        StartDownload(size % 2048);
      break;
    }
    case kActDownloadFirmware: {
      std::uint8_t lists = in.U8();
      if (registered)
        DownloadFirmware(lists);
      break;
    }
  }
  Pump();
  Collect();
}

void RouterProtocolHarness::Impl::Reenter() {
  if (reentrant_)
    protocol_->Deregister();
}

std::uint16_t RouterProtocolHarness::Impl::NextRouterSequence() {
  if (++routerSequence_ == 0)
    ++routerSequence_;
  return routerSequence_;
}

std::uint32_t RouterProtocolHarness::Impl::AnswerSender(std::uint32_t to) {
  if (to == 0 || to == kBroadcast || to == 0xFFFFFFFFu || to == kOwnAddress)
    return kRouterAddress;
  return to;
}

// Hands every datagram waiting for the tool to the protocol.
void RouterProtocolHarness::Impl::Pump() {
  int rounds = 0;
  while (socket_.pending() > 0) {
    FUZZ_CHECK(++rounds < 100000);  // datagrams that never stop coming: a loop
    protocol_->OnDatagramReady();
  }
}

// Looks at what the tool sent since the last call.
void RouterProtocolHarness::Impl::Collect() {
  for (const NetworkDatagram& datagram : network_.log()) {
    if (datagram.from != kOwnAddress)
      continue;
    FUZZ_CHECK(datagram.bytes.size() >= kHeaderLength);
    FUZZ_CHECK(datagram.bytes.size() <= kLargestMessage);
    if (observer_)
      observer_(datagram);
    WireReader in(datagram.bytes);
    SentMessage message;
    message.valid = true;
    message.to = datagram.to;
    message.command = in.U16();
    message.sequence = in.U16();
    message.payload.assign(datagram.bytes.begin() + kHeaderLength, datagram.bytes.end());
    if (IsAcknowledgeCommand(message.command))
      continue;
    if (message.sequence != 0)
      lastNumbered_ = message;
    // The periodic queries would hide the request a router answers.
    if (message.command != command::kScanQuery && message.command != command::kOverviewQuery)
      lastRequest_ = message;
    else if (!lastRequest_.valid)
      lastRequest_ = message;
  }
  network_.ClearLog();
}

// An answer to the tool's last request.
void RouterProtocolHarness::Impl::Answer(FuzzInput& in) {
  const std::uint8_t choice = in.U8();
  const std::uint8_t mode = in.U8();
  const SentMessage& request = lastRequest_;
  std::uint16_t commandWord = NaturalAnswer(request.command);
  if (choice >= 0xF0)
    commandWord = in.U16();
  else if (choice > 0)
    commandWord = kRouterCommands[(choice - 1) % kRouterCommandCount];
  std::uint16_t sequence = 0;
  switch (mode & 3) {
    case kAnswerUnnumbered:
      break;
    case kAnswerFresh:
      sequence = NextRouterSequence();
      break;
    case kAnswerRepeat:
      sequence = routerSequence_;
      break;
    case kAnswerExplicit:
      sequence = in.U16();
      break;
  }
  WireWriter payload;
  if (mode & kAnswerEcho)
    EchoedFields(request, commandWord, payload);
  const std::uint16_t length = in.U16();
  payload.Raw(in.Take(length));
  const std::uint32_t from = (mode & kAnswerFromOther) ? kOtherRouter : AnswerSender(request.to);
  Deliver(from, BuildMessage(commandWord, sequence, payload.bytes()));
}

// The fields a router repeats from the request at the start of its answer.
void RouterProtocolHarness::Impl::EchoedFields(const SentMessage& request, std::uint16_t answer,
                                               WireWriter& out) {
  auto requestBytes = [&](std::size_t from, std::size_t n) {
    for (std::size_t i = from; i < from + n; ++i)
      out.U8(i < request.payload.size() ? request.payload[i] : 0);
  };
  switch (answer) {
    case command::kTableEntry:
    case command::kTableEntryWritten:
      out.U16(0);
      requestBytes(0, 3);  // type and index
      break;
    case command::kAccountingEntry:
      out.U16(0);
      requestBytes(1, 2);  // index
      break;
    case command::kDownloadOffer:
      requestBytes(6, 4);  // the address given to the loader
      break;
    case command::kScanAnswer: {
      // A loader has no address yet; a restarted router has its own.
      std::uint32_t address = request.command == command::kRestart ? request.to : 0;
      out.U16(0).Raw(kRouterHardware).U32(address).U32(0);
      break;
    }
    case kAcknowledgeCommand:
      out.U16(request.sequence);
      break;
    default:
      out.U16(0);
      break;
  }
}

RouterProtocolHarness::RouterProtocolHarness(std::uint8_t flags)
    : impl_(std::make_unique<Impl>(flags)) {}

RouterProtocolHarness::~RouterProtocolHarness() = default;

RouterProtocol& RouterProtocolHarness::protocol() {
  return impl_->protocol();
}

const SentMessage& RouterProtocolHarness::lastRequest() const {
  return impl_->lastRequest();
}

void RouterProtocolHarness::SetToolDatagramObserver(
    std::function<void(const NetworkDatagram&)> observer) {
  impl_->SetToolDatagramObserver(std::move(observer));
}

void RouterProtocolHarness::Start(StartState state, std::uint8_t variant, std::uint8_t count) {
  impl_->Start(state, variant, count);
}

void RouterProtocolHarness::Run(FuzzInput& in) {
  impl_->Run(in);
}

void RouterProtocolHarness::Step(FuzzInput& in) {
  impl_->Step(in);
}

// The whole input: three bytes that choose the state, then operations.
void RunRouterProtocolInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const std::uint8_t state = in.U8();
  const std::uint8_t variant = in.U8();
  const std::uint8_t count = in.U8();
  RouterProtocolHarness harness(variant);
  harness.Start(static_cast<StartState>(state % static_cast<std::uint8_t>(StartState::kCount)),
                variant, count);
  harness.Run(in);
}

}  // namespace tarcfg::fuzz
