// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the protocol, the network scan and the router overview query.
#include "protocol/router_protocol.h"

#include "protocol/image_download.h"
#include "protocol/protocol_context.h"

namespace tarcfg {

namespace {

inline constexpr std::size_t kScanAnswerLength = 16;
inline constexpr std::size_t kOverviewAnswerLength = 52;
inline constexpr std::size_t kOverviewAnswerFullLength = 64;
inline constexpr std::size_t kRemoteNameLength = 20;
inline constexpr std::size_t kOverviewFirmwareLength = 10;

}  // namespace

int RouterProtocol::OpenRouterProtocol(ErrorCallback error, std::uint32_t broadcastAddress) {
  int result = context_->transactions.InitTransactions(
      kRouterPort,
      [this](std::uint32_t sender, std::uint16_t commandWord, std::uint16_t sequence,
             std::span<const std::uint8_t> payload) {
        OnProtocolMessage(sender, commandWord, sequence, payload);
      },
      [this](int code) { OnTransportError(code); }, context_->settings.ownAddress);
  if (result != kTransportOpened)
    return result;
  // A router that accepts a registration request of ours that arrived late
  // says so from behind the peer filter; it must hear a deregistration, or
  // it stays held by this host (IsUnwantedAcceptance).
  context_->transport.SetFilterExemption(command::kRegistrationAccepted);
  context_->state = ProtocolState::Idle;
  context_->broadcast = broadcastAddress;
  context_->candidate = 0;
  context_->registered = 0;
  scanResult_ = nullptr;
  overviewResult_ = nullptr;
  registrationResult_ = nullptr;
  doneResult_ = nullptr;
  lineMonitor_ = nullptr;
  context_->error = std::move(error);
  return result;
}

void RouterProtocol::ScanNetwork(ScanCallback result) {
  if (context_->state != ProtocolState::Idle)
    return;
  scanResult_ = std::move(result);
  context_->Send(context_->broadcast, command::kScanQuery, {}, false);
  context_->transport.StartTimerSlot([this] { ScanQueryAgain(); }, 1);
  context_->transport.StartTimerSlot([this] { ScanQueryAgain(); }, 2);
  context_->transport.StartTimerSlot(
      [this] {
        ScanCallback callback = std::move(scanResult_);
        scanResult_ = nullptr;
        ScanAnswer end;
        end.end = 1;
        if (callback)
          callback(end);
      },
      3);
}

void RouterProtocol::ScanQueryAgain() {
  context_->Send(context_->broadcast, command::kScanQuery, {}, false);
}

void RouterProtocol::QueryRouterOverview(OverviewCallback result) {
  if (context_->state != ProtocolState::Idle)
    return;
  overviewResult_ = std::move(result);
  context_->Send(context_->broadcast, command::kOverviewQuery, {}, false);
  context_->transport.StartTimerSlot(
      [this] { context_->Send(context_->broadcast, command::kOverviewQuery, {}, false); }, 1);
  context_->transport.StartTimerSlot(
      [this] {
        OverviewCallback callback = std::move(overviewResult_);
        overviewResult_ = nullptr;
        OverviewAnswer end;
        end.end = 1;
        if (callback)
          callback(end);
      },
      2);
}

int RouterProtocol::OnScanAnswer(std::uint32_t, std::uint16_t,
                                 std::span<const std::uint8_t> payload) {
  if (payload.size() < kScanAnswerLength)
    return kResultUnexpected;
  if (context_->state != ProtocolState::Idle && context_->state != ProtocolState::Restarting &&
      context_->state != ProtocolState::WaitingForLoader)
    return kResultUnexpected;
  WireReader in(payload, 2);
  ScanAnswer answer;
  for (auto& byte : answer.hardwareAddress)
    byte = in.U8();
  answer.routerAddress = in.U32();
  answer.registeredHost = in.U32();

  if (context_->state == ProtocolState::Idle) {
    if (scanResult_) {
      ScanCallback callback = scanResult_;
      callback(answer);
    }
  } else {
    download_->OnScanAnswer(answer);
  }
  return kResultHandled;
}

int RouterProtocol::OnOverviewAnswer(std::uint32_t sender, std::uint16_t,
                                     std::span<const std::uint8_t> payload) {
  if (context_->state != ProtocolState::Idle || payload.size() < kOverviewAnswerLength)
    return kResultUnexpected;
  WireReader in(payload, 2);
  OverviewAnswer answer;
  answer.routerAddress = sender;
  for (auto& channel : answer.channels) {
    channel.state = in.U8();
    channel.remoteAddress = in.U32();
    channel.remoteName = in.Text(kRemoteNameLength);
  }
  if (payload.size() >= kOverviewAnswerFullLength) {
    answer.dChannelProtocol = in.U8();
    answer.permanentConnection = in.U8();
    answer.firmwareVersion = in.Text(kOverviewFirmwareLength);
  }
  if (overviewResult_) {
    OverviewCallback callback = overviewResult_;
    callback(answer);
  }
  return kResultHandled;
}

}  // namespace tarcfg
