// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/transport.h"

#include <utility>

#include "config/unreadable_bytes.h"

namespace tarcfg {

Transport::~Transport() {
  for (auto& buffer : buffers_)
    MarkBytesReadable(buffer.data(), buffer.size());
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
  if (!collecting_)
    return socket_.SendTo(destination, port_, bytes) == 0 ? 0 : 1;
  if (held_ == kSendBatch)
    Flush();
  heldBytes_[held_].assign(bytes.begin(), bytes.end());
  heldDestinations_[held_] = destination;
  ++held_;
  return 0;
}

void Transport::Flush() {
  const std::size_t count = held_;
  held_ = 0;
  if (count == 0)
    return;
  std::array<OutgoingDatagram, kSendBatch> datagrams;
  std::array<int, kSendBatch> results;
  for (std::size_t i = 0; i < count; ++i)
    datagrams[i] = OutgoingDatagram{heldDestinations_[i], port_, heldBytes_[i]};
  socket_.SendBatch(std::span(datagrams.data(), count), std::span(results.data(), count));
  for (std::size_t i = 0; i < count; ++i)
    if (results[i] != 0 && sendFailure_) {
      std::function<void()> failure = sendFailure_;
      failure();
    }
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
  if (batchNext_ < batchCount_) {
    // Called from a handler with the batch unfinished: its datagrams come
    // first, and nothing new may be received into their buffers.
    HandleBatch();
    return;
  }
  // What a handler may read ends with its datagram.
  for (auto& buffer : buffers_)
    MarkBytesReadable(buffer.data(), buffer.size());
  std::array<std::span<std::uint8_t>, kReceiveBatch> buffers;
  for (std::size_t i = 0; i < kReceiveBatch; ++i)
    buffers[i] = buffers_[i];
  batchNext_ = 0;
  batchCount_ = socket_.ReceiveBatch(buffers, received_);
  HandleBatch();
}

void Transport::HandleBatch() {
  // Sends of the handlers leave together after the last (see SendDatagram).
  collecting_ = socket_.sendsInBatches();
  while (batchNext_ < batchCount_) {
    const std::size_t i = batchNext_++;
    Handle(received_[i], buffers_[i]);
  }
  collecting_ = false;
  Flush();
}

void Transport::Handle(const ReceivedDatagram& received,
                       std::array<std::uint8_t, kReceiveLimit>& buffer) {
  // Errors, and datagrams that did not fit, are dropped.
  if (received.length < 0 || static_cast<std::size_t>(received.length) > buffer.size())
    return;
  MarkBytesUnreadable(buffer.data() + received.length,
                      buffer.size() - static_cast<std::size_t>(received.length));
  if (peerFilter_ != 0 && received.sender != peerFilter_ &&
      !(filterExempt_ != 0 && received.length >= 2 &&
        (buffer[0] << 8 | buffer[1]) == filterExempt_))
    return;
  if (!handler_)
    return;
  // Our own broadcasts come back to us.
  if (received.sender == ownAddress_)
    return;
  handler_(received.sender,
           std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(received.length)));
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
