// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/transport.h"

#include <utility>

#include "config/unreadable_bytes.h"

namespace tarcfg {

Transport::~Transport() {
  MarkBytesReadable(buffer_.data(), buffer_.size());
}

int Transport::OpenTransport(ReceiveHandler handler, std::uint16_t port, std::uint32_t ownAddress) {
  if (ownAddress == 0)
    return kTransportNoOwnAddress;
  openError_ = socket_.Open(port);
  if (openError_ != 0)
    return kTransportSocketFailed;
  open_ = true;
  port_ = port;
  ownAddress_ = ownAddress;
  peerFilter_ = 0;
  handler_ = std::move(handler);
  for (auto& slot : slots_)
    slot = Slot{};
  return kTransportOpened;
}

int Transport::SendDatagram(std::uint32_t destination, std::span<const std::uint8_t> bytes) {
  return socket_.SendTo(destination, port_, bytes) == 0 ? 0 : 1;
}

int Transport::StartTimerSlot(SlotCallback callback, int ticks) {
  for (int i = 0; i < kTimerSlotCount; ++i) {
    Slot& slot = slots_[static_cast<std::size_t>(i)];
    if (slot.count == 0 || !slot.callback) {
      slot.count = ticks;
      slot.callback = std::move(callback);
      slot.serial = ++nextSerial_;
      return i;
    }
  }
  return -1;
}

Transport::TimerHandle Transport::StartTimer(SlotCallback callback, int ticks) {
  TimerHandle handle;
  handle.index = StartTimerSlot(std::move(callback), ticks);
  if (handle.index >= 0)
    handle.serial = slots_[static_cast<std::size_t>(handle.index)].serial;
  return handle;
}

void Transport::CancelTimer(TimerHandle& handle) {
  if (handle.index >= 0 && handle.index < kTimerSlotCount &&
      slots_[static_cast<std::size_t>(handle.index)].serial == handle.serial)
    CancelTimerSlot(handle.index);
  handle = TimerHandle{};
}

void Transport::CancelTimerSlot(int index) {
  if (index < 0 || index >= kTimerSlotCount)
    return;
  Slot& slot = slots_[static_cast<std::size_t>(index)];
  slot.count = 0;
  slot.callback = nullptr;
  slot.serial = 0;
}

void Transport::OnDatagramReady() {
  // What a handler may read ends with the datagram.
  MarkBytesReadable(buffer_.data(), buffer_.size());
  ReceivedDatagram received = socket_.ReceiveFrom(buffer_);
  // Errors, and datagrams that did not fit, are dropped.
  if (received.length < 0 || static_cast<std::size_t>(received.length) > buffer_.size())
    return;
  MarkBytesUnreadable(buffer_.data() + received.length,
                      buffer_.size() - static_cast<std::size_t>(received.length));
  if (peerFilter_ != 0 && received.sender != peerFilter_)
    return;
  if (!handler_)
    return;
  // Our own broadcasts come back to us.
  if (received.sender == ownAddress_)
    return;
  handler_(received.sender, std::span<const std::uint8_t>(
                                buffer_.data(), static_cast<std::size_t>(received.length)));
}

void Transport::OnTimerTick() {
  for (auto& slot : slots_) {
    if (slot.count > 0) {
      --slot.count;
    } else if (slot.count == 0) {
      if (slot.callback) {
        // Emptied before the call, so the callback may take this slot again.
        SlotCallback callback = std::move(slot.callback);
        slot.callback = nullptr;
        callback();
      }
    } else {
      slot = Slot{};
    }
  }
}

}  // namespace tarcfg
