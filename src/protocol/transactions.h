// SPDX-License-Identifier: GPL-3.0-or-later
// The numbered request layer over the transport.
//
// Every message starts with a 2-byte command and a 2-byte sequence number,
// big-endian; sequence 0 means unnumbered. A numbered message is kept and
// repeated until the destination acknowledges it (command 0xFF00 carrying
// the sequence number); still unacknowledged after its last send, it makes
// the error callback get 8888 (kTiming: three sends, four ticks apart).
// Only one numbered message is outstanding at a time: a second one is
// refused with 8999. Numbered messages that arrive are acknowledged, and
// while a registration is in force a repeated delivery from the registered
// router is suppressed.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "protocol/protocol_timing.h"
#include "protocol/transport.h"
#include "protocol/wire.h"

namespace tarcfg {

inline constexpr std::size_t kHeaderLength = 4;
inline constexpr std::uint16_t kAcknowledgeCommand = 0xFF00;

// Error codes of this layer.
inline constexpr int kErrorSendFailed = 1;
inline constexpr int kErrorNoAcknowledge = 8888;
inline constexpr int kErrorBusy = 8999;
inline constexpr int kErrorCrossedRequest = 8777;

inline bool IsAcknowledgeCommand(std::uint16_t command) {
  return (command >> 8) == 0xFF;
}

// Header and payload in one datagram.
Bytes BuildMessage(std::uint16_t command, std::uint16_t sequence,
                   std::span<const std::uint8_t> payload);

class Transactions {
 public:
  using MessageHandler =
      std::function<void(std::uint32_t sender, std::uint16_t command, std::uint16_t sequence,
                         std::span<const std::uint8_t> payload)>;
  using ErrorCallback = std::function<void(int code)>;
  using CompletionCallback = std::function<void(std::uint32_t sender)>;
  // True when a message with command `answer` is the peer's answer to a
  // request with command `request`.
  using AnswerRule = std::function<bool(std::uint16_t request, std::uint16_t answer)>;

  explicit Transactions(Transport& transport) : transport_(transport) {}

  // Opens the transport with this layer's receive entry; on success clears
  // all state. Gives the result of OpenTransport.
  int InitTransactions(std::uint16_t port, MessageHandler handler, ErrorCallback error,
                       std::uint32_t ownAddress);

  // Numbered: the sequence number given (1 or more), or -1 after an error
  // was reported. Unnumbered: the sequence counter when nothing is
  // outstanding, else -1 (it is sent all the same). `completion` is taken
  // only for a numbered message and runs on its acknowledgement.
  int SendRequest(std::uint32_t destination, std::uint16_t command,
                  std::span<const std::uint8_t> payload, bool numbered,
                  CompletionCallback completion = nullptr);
  // The same with the payload in two parts (a firmware block: its offset,
  // then the bytes of the image), put together in the message itself.
  int SendRequest(std::uint32_t destination, std::uint16_t command,
                  std::span<const std::uint8_t> head, std::span<const std::uint8_t> body,
                  bool numbered, CompletionCallback completion = nullptr);

  // An unnumbered message whose fate is the caller's business alone: it goes
  // out whatever is outstanding, and a failure to send it is not reported.
  void SendUnreported(std::uint32_t destination, std::uint16_t command,
                      std::span<const std::uint8_t> payload);
  // With a rule, the peer's numbered answer to the outstanding request also
  // stands for its acknowledgement when that was lost on the way: the peer
  // only answers what it has received.
  void SetAnswerRule(AnswerRule rule) { answerRule_ = std::move(rule); }

  void SetSession(std::uint32_t router);
  void EndSession();
  // A new exchange with a router begins (registration, download): whatever
  // was delivered before says nothing about repeats now. A router that has
  // restarted numbers its messages from 1 again.
  void ForgetDelivered() {
    lastDelivered_ = 0;
    lastDeliveredSender_ = 0;
    lastDeliveredCommand_ = 0;
  }

  // The receive entry given to the transport.
  void OnMessage(std::uint32_t sender, std::span<const std::uint8_t> bytes);

  bool outstanding() const { return outstanding_; }
  bool registered() const { return registered_; }
  std::uint32_t router() const { return router_; }
  std::uint32_t sequenceCounter() const { return counter_; }
  int attempts() const { return attempts_; }

 private:
  void Repeat(std::uint32_t generation);
  void StartRetransmission();
  int Send(std::uint32_t destination, std::uint16_t command, std::span<const std::uint8_t> head,
           std::span<const std::uint8_t> body, bool numbered);
  void Complete(std::uint32_t sender);
  // A repetition is the same message again: same sender, number and command.
  bool IsRepeat(std::uint32_t sender, std::uint16_t command, std::uint16_t sequence) const {
    return sequence != 0 && sequence == lastDelivered_ && sender == lastDeliveredSender_ &&
           command == lastDeliveredCommand_;
  }
  void Deliver(std::uint32_t sender, std::uint16_t command, std::uint16_t sequence,
               std::span<const std::uint8_t> payload);
  void Fail(int code) {
    if (error_)
      error_(code);
  }

  Transport& transport_;
  MessageHandler handler_;
  ErrorCallback error_;
  CompletionCallback completion_;
  bool outstanding_ = false;
  int attempts_ = 0;
  std::uint32_t counter_ = 0;
  // The outstanding numbered message, kept for its repetitions, and the
  // last unnumbered one. Both are built in place and keep their capacity:
  // a message costs no allocation once they have grown.
  Bytes saved_;
  Bytes unnumbered_;
  std::uint32_t savedDestination_ = 0;
  Transport::TimerHandle retransmitSlot_;
  std::uint32_t retransmitGeneration_ = 0;  // tells a stale slot from the current one
  bool registered_ = false;
  std::uint32_t router_ = 0;
  std::uint16_t lastDelivered_ = 0;
  std::uint32_t lastDeliveredSender_ = 0;
  std::uint16_t lastDeliveredCommand_ = 0;
  AnswerRule answerRule_;
};

}  // namespace tarcfg
