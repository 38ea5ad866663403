// SPDX-License-Identifier: GPL-3.0-or-later
// Line monitoring and connection control.
#include "protocol/router_protocol.h"

#include "protocol/protocol_context.h"

namespace tarcfg {

namespace {

inline constexpr std::size_t kLineStatusBlock = 43;
inline constexpr std::size_t kLineStatusLength = 2 * kLineStatusBlock;

}  // namespace

void RouterProtocol::StartLineMonitor(LineStatusCallback monitor) {
  if (!protocol::RegisteredOrDownloading(context_->state))
    return;
  lineMonitor_ = std::move(monitor);
  context_->Send(context_->registered, command::kStartLineMonitor, {}, true);
}

void RouterProtocol::StopLineMonitor() {
  if (!protocol::RegisteredOrDownloading(context_->state))
    return;
  lineMonitor_ = nullptr;
  context_->Send(context_->registered, command::kStopLineMonitor, {}, true);
}

void RouterProtocol::ConnectLineTarget(int position) {
  if (context_->registered == 0)
    return;  // no router to ask
  WireWriter payload;
  payload.U8(0).U16(static_cast<std::uint16_t>(position));
  context_->Send(context_->registered, command::kConnect, payload.bytes(), true);
}

void RouterProtocol::DisconnectChannel(int channel) {
  if (context_->registered == 0)
    return;
  WireWriter payload;
  payload.U8(channel == 2 ? 1 : 0);
  context_->Send(context_->registered, command::kDisconnect, payload.bytes(), true);
}

int RouterProtocol::OnLineStatus(std::uint32_t, std::uint16_t,
                                 std::span<const std::uint8_t> payload) {
  if (!lineMonitor_)
    return kResultHandled;
  if (!protocol::RegisteredOrDownloading(context_->state))
    return kResultUnexpected;
  if (payload.size() < kLineStatusLength)
    return kResultMalformed;
  LineStatus status;
  WireReader in(payload);
  for (auto& channel : status.channels) {
    channel.state = NormalizeChannelState(in.U8());
    channel.cause = in.U16();
    channel.remoteAddress = context_->addresses.FormatAddress(in.U32());
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

}  // namespace tarcfg
