#include "transport.h"

#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define TARCFG_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARCFG_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef TARCFG_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#endif

namespace tarcfg {

namespace {

// Under AddressSanitizer the part of the receive buffer behind the current
// datagram is marked unreadable, so that a handler reading past the end of
// a short datagram is reported instead of silently reading what an earlier,
// longer datagram left there.
void MarkReadable(std::span<std::uint8_t> bytes) {
#ifdef TARCFG_ADDRESS_SANITIZER
  ASAN_UNPOISON_MEMORY_REGION(bytes.data(), bytes.size());
#else
  (void)bytes;
#endif
}

void MarkUnreadable(std::span<std::uint8_t> bytes) {
#ifdef TARCFG_ADDRESS_SANITIZER
  ASAN_POISON_MEMORY_REGION(bytes.data(), bytes.size());
#else
  (void)bytes;
#endif
}

}  // namespace

Transport::~Transport() {
  MarkReadable(buffer_);
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
  MarkReadable(buffer_);
  ReceivedDatagram received = socket_.ReceiveFrom(buffer_);
  // Errors, and datagrams that did not fit, are dropped.
  if (received.length < 0 || static_cast<std::size_t>(received.length) > buffer_.size())
    return;
  MarkUnreadable(
      std::span<std::uint8_t>(buffer_).subspan(static_cast<std::size_t>(received.length)));
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
