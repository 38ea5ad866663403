// SPDX-License-Identifier: GPL-3.0-or-later
// The lowest layer of the router protocol: one datagram socket shared by
// all traffic with all routers, the filtered receive path, and ten one-shot
// countdown slots driven by a one-second tick.
//
// Nothing here blocks, sleeps or owns a thread. The front end calls
// OnDatagramReady when the socket's descriptor is readable (or, for the
// in-memory socket, when datagrams are pending) and OnTimerTick once a
// second.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "protocol/socket.h"

namespace tarcfg {

inline constexpr std::uint16_t kRouterPort = 1532;
inline constexpr std::size_t kReceiveLimit = 500;
// Datagrams taken from the socket at once (where the socket can).
inline constexpr std::size_t kReceiveBatch = 8;
// Datagrams collected while received ones are handled, sent at once.
inline constexpr std::size_t kSendBatch = 8;
inline constexpr int kTimerSlotCount = 10;

using Bytes = std::vector<std::uint8_t>;

// OpenTransport results.
inline constexpr int kTransportOpened = 0;
inline constexpr int kTransportSocketFailed = 1;
inline constexpr int kTransportNoOwnAddress = -1000;

class Transport {
 public:
  using ReceiveHandler = std::function<void(std::uint32_t sender, std::span<const std::uint8_t>)>;
  using SlotCallback = std::function<void()>;

  explicit Transport(DatagramSocket& socket) : socket_(socket) {}
  ~Transport();
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  // 0 on success; -1000 when `ownAddress` is 0 (nothing is opened); 1 when
  // the socket cannot be created, set to broadcast or bound (openError()
  // then holds the error number). Clears all timer slots on success.
  int OpenTransport(ReceiveHandler handler, std::uint16_t port, std::uint32_t ownAddress);
  int openError() const { return openError_; }
  bool isOpen() const { return open_; }

  // 0 when the datagram was handed to the socket, 1 on a socket error.
  // While received datagrams are handled, on a socket that sends in
  // batches, the datagram is only collected (0): everything the handlers
  // send leaves in one batch when they are done (an acknowledgement and the
  // next request together), and a send that fails then is reported to the
  // send-failure handler instead.
  int SendDatagram(std::uint32_t destination, std::span<const std::uint8_t> bytes);
  void SetSendFailureHandler(std::function<void()> handler) { sendFailure_ = std::move(handler); }
  // Sends what has been collected so far at once; for a handler about to
  // block (a password prompt), so that its acknowledgement does not wait.
  void Flush();

  // 0 accepts every sender; otherwise only `address` gets through, and
  // from other senders only datagrams of the exempt command (0: none).
  void SetPeerFilter(std::uint32_t address) { peerFilter_ = address; }
  void SetFilterExemption(std::uint16_t command) { filterExempt_ = command; }
  std::uint32_t peerFilter() const { return peerFilter_; }
  std::uint32_t TransportOwnAddress() const { return ownAddress_; }

  // Takes the lowest free slot (count 0 or no callback) and gives its
  // index, or -1 when all ten are busy. A slot started with `ticks` fires
  // on the (ticks+1)-th tick after this call.
  int StartTimerSlot(SlotCallback callback, int ticks);
  // Frees slot `index`; any index outside 0..9 (-1 in particular) is ignored.
  void CancelTimerSlot(int index);
  // The same with a handle that cancels only the slot it started: a due
  // slot counts as free and may have been taken over by someone else since.
  struct TimerHandle {
    int index = -1;
    std::uint64_t serial = 0;
  };
  TimerHandle StartTimer(SlotCallback callback, int ticks);
  void CancelTimer(TimerHandle& handle);

  int SlotCount(int index) const { return slots_[static_cast<std::size_t>(index)].count; }
  bool SlotArmed(int index) const {
    return static_cast<bool>(slots_[static_cast<std::size_t>(index)].callback);
  }

  // Receives what is waiting (one datagram, or a batch where the socket
  // can) and hands each upward unless a check drops it. Called again from
  // inside a handler, it first goes on with the datagrams of the batch not
  // yet handled, in their order, and receives nothing new.
  void OnDatagramReady();
  // Runs the ten slots, 0 to 9.
  void OnTimerTick();

  int descriptor() const { return socket_.descriptor(); }

 private:
  struct Slot {
    int count = 0;
    SlotCallback callback;
    std::uint64_t serial = 0;
  };

  DatagramSocket& socket_;
  bool open_ = false;
  int openError_ = 0;
  std::uint16_t port_ = kRouterPort;
  std::uint32_t ownAddress_ = 0;
  std::uint32_t peerFilter_ = 0;
  std::uint16_t filterExempt_ = 0;
  ReceiveHandler handler_;
  std::array<Slot, kTimerSlotCount> slots_{};
  std::uint64_t nextSerial_ = 0;
  void Handle(const ReceivedDatagram& received, std::array<std::uint8_t, kReceiveLimit>& buffer);
  void HandleBatch();

  std::array<std::array<std::uint8_t, kReceiveLimit>, kReceiveBatch> buffers_{};
  std::array<ReceivedDatagram, kReceiveBatch> received_{};
  std::size_t batchCount_ = 0;  // datagrams of the batch received
  std::size_t batchNext_ = 0;   // the next of them to hand upward
  // Collected sends; the buffers keep their capacity, so collecting
  // allocates nothing once they have grown.
  bool collecting_ = false;
  std::size_t held_ = 0;
  std::array<Bytes, kSendBatch> heldBytes_;
  std::array<std::uint32_t, kSendBatch> heldDestinations_{};
  std::function<void()> sendFailure_;
};

}  // namespace tarcfg
