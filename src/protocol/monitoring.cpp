// Line monitoring, connection control and the accounting counters.
#include "router_protocol.h"

namespace tarcfg {

namespace {

inline constexpr std::size_t kLineStatusBlock = 43;
inline constexpr std::size_t kLineStatusLength = 2 * kLineStatusBlock;
inline constexpr std::size_t kAccountingLength = 32;
inline constexpr std::uint8_t kReadOnly = 0x00;
inline constexpr std::uint8_t kReadAndReset = 0xFF;

}  // namespace

void RouterProtocol::StartLineMonitor(LineStatusCallback monitor) {
  if (static_cast<int>(state_) < static_cast<int>(ProtocolState::Registered))
    return;
  lineMonitor_ = std::move(monitor);
  Send(registered_, command::kStartLineMonitor, {}, true);
}

void RouterProtocol::StopLineMonitor() {
  if (static_cast<int>(state_) < static_cast<int>(ProtocolState::Registered))
    return;
  lineMonitor_ = nullptr;
  Send(registered_, command::kStopLineMonitor, {}, true);
}

void RouterProtocol::ConnectLineTarget(int position) {
  if (registered_ == 0)
    return;  // no router to ask
  WireWriter payload;
  payload.U8(0).U16(static_cast<std::uint16_t>(position));
  Send(registered_, command::kConnect, payload.bytes(), true);
}

void RouterProtocol::DisconnectChannel(int channel) {
  if (registered_ == 0)
    return;
  WireWriter payload;
  payload.U8(channel == 2 ? 1 : 0);
  Send(registered_, command::kDisconnect, payload.bytes(), true);
}

int RouterProtocol::OnLineStatus(std::uint32_t, std::uint16_t,
                                 std::span<const std::uint8_t> payload) {
  if (!lineMonitor_)
    return kResultHandled;
  if (static_cast<int>(state_) < static_cast<int>(ProtocolState::Registered))
    return kResultUnexpected;
  if (payload.size() < kLineStatusLength)
    return kResultMalformed;
  LineStatus status;
  WireReader in(payload);
  for (auto& channel : status.channels) {
    channel.state = NormalizeChannelState(in.U8());
    channel.cause = in.U16();
    channel.remoteAddress = addresses_.FormatAddress(in.U32());
    channel.phoneNumber = in.Text(kPhoneNumberCapacity);
    channel.duration = in.U32();
    channel.charge = in.U32();
    channel.packetsOut = in.U32();
    channel.packetsIn = in.U32();
  }
  LineStatusCallback monitor = lineMonitor_;
  monitor(status);
  return kResultHandled;
}

int RouterProtocol::OnConnectionReport(std::uint32_t, std::uint16_t,
                                       std::span<const std::uint8_t>) {
  return kResultHandled;
}

void RouterProtocol::ReadAccounting(LineTargetsCallback done, const LineTargetList* lineTargets) {
  StartAccounting(kReadOnly, std::move(done), lineTargets);
}

void RouterProtocol::ReadAndResetAccounting(LineTargetsCallback done,
                                            const LineTargetList* lineTargets) {
  StartAccounting(kReadAndReset, std::move(done), lineTargets);
}

void RouterProtocol::StartAccounting(std::uint8_t operation, LineTargetsCallback done,
                                     const LineTargetList* lineTargets) {
  if (lineTargets == nullptr || lineTargets->empty()) {
    LineTargetList empty = lineTargets ? lineTargets->Clone() : NewLineTargetList();
    if (done)
      done(empty);
    return;
  }
  transfer_ = TransferState{};
  transfer_.kind = TransferKind::Accounting;
  transfer_.operation = operation;
  transfer_.lineTargets = lineTargets->Clone();
  transfer_.count = transfer_.lineTargets.count();
  transfer_.expectedIndex = 0;
  transfer_.lineTargetsDone = std::move(done);
  SendAccountingRequest();
}

void RouterProtocol::SendAccountingRequest() {
  WireWriter payload;
  payload.U8(transfer_.operation).U16(static_cast<std::uint16_t>(transfer_.expectedIndex));
  expectedAnswer_ = command::kAccountingEntry;
  state_ = ProtocolState::Transferring;
  Send(registered_, command::kReadAccounting, payload.bytes(), true);
}

int RouterProtocol::OnAccountingEntry(std::uint32_t, std::uint16_t,
                                      std::span<const std::uint8_t> payload) {
  if (state_ == ProtocolState::Idle)
    return kResultHandled;
  if (state_ != ProtocolState::Transferring)
    return kResultUnexpected;
  if (payload.size() < kAccountingLength)
    return kResultMalformed;
  if (expectedAnswer_ != command::kAccountingEntry || transfer_.kind != TransferKind::Accounting)
    return kResultMalformed;
  state_ = ProtocolState::Registered;
  WireReader in(payload, 4);
  if (LineTarget* target = transfer_.lineTargets.NodeAt(transfer_.expectedIndex + 1)) {
    for (auto& counter : target->accountingCounters)
      counter = in.U32();
  }
  ++transfer_.expectedIndex;
  if (transfer_.expectedIndex < transfer_.count) {
    SendAccountingRequest();
    return kResultHandled;
  }
  expectedAnswer_ = 0;
  TransferState finished = std::move(transfer_);
  transfer_ = TransferState{};
  if (finished.lineTargetsDone)
    finished.lineTargetsDone(finished.lineTargets);
  return kResultHandled;
}

}  // namespace tarcfg
