// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/transactions.h"

#include <utility>

namespace tarcfg {

Bytes BuildMessage(std::uint16_t command, std::uint16_t sequence,
                   std::span<const std::uint8_t> payload) {
  WireWriter out;
  out.U16(command).U16(sequence).Raw(payload);
  return out.Take();
}

int Transactions::InitTransactions(std::uint16_t port, MessageHandler handler, ErrorCallback error,
                                   std::uint32_t ownAddress) {
  int result = transport_.OpenTransport(
      [this](std::uint32_t sender, std::span<const std::uint8_t> bytes) {
        OnMessage(sender, bytes);
      },
      port, ownAddress);
  if (result != kTransportOpened)
    return result;
  // A send collected while a received datagram was handled fails later.
  transport_.SetSendFailureHandler([this] { Fail(kErrorSendFailed); });
  handler_ = std::move(handler);
  error_ = std::move(error);
  completion_ = nullptr;
  outstanding_ = false;
  attempts_ = 0;
  counter_ = 0;
  saved_.clear();
  savedDestination_ = 0;
  retransmitSlot_ = {};
  registered_ = false;
  router_ = 0;
  ForgetDelivered();
  return result;
}

int Transactions::Send(std::uint32_t destination, std::uint16_t command,
                       std::span<const std::uint8_t> head, std::span<const std::uint8_t> body,
                       bool numbered) {
  std::uint16_t sequence = 0;
  if (numbered) {
    // Sequence 0 means "unnumbered" on the wire, so the counter skips every
    // value whose low 16 bits are 0; numbering never stalls after 65,535.
    ++counter_;
    if ((counter_ & 0xFFFFu) == 0)
      ++counter_;
    sequence = static_cast<std::uint16_t>(counter_);
  }
  // A numbered message is built where it is kept for its repetitions.
  Bytes& message = numbered ? saved_ : unnumbered_;
  message.clear();
  message.push_back(static_cast<std::uint8_t>(command >> 8));
  message.push_back(static_cast<std::uint8_t>(command));
  message.push_back(static_cast<std::uint8_t>(sequence >> 8));
  message.push_back(static_cast<std::uint8_t>(sequence));
  message.insert(message.end(), head.begin(), head.end());
  message.insert(message.end(), body.begin(), body.end());
  if (numbered) {
    savedDestination_ = destination;
    attempts_ = 0;
  }
  return transport_.SendDatagram(destination, message);
}

int Transactions::SendRequest(std::uint32_t destination, std::uint16_t command,
                              std::span<const std::uint8_t> payload, bool numbered,
                              CompletionCallback completion) {
  return SendRequest(destination, command, payload, {}, numbered, std::move(completion));
}

int Transactions::SendRequest(std::uint32_t destination, std::uint16_t command,
                              std::span<const std::uint8_t> head,
                              std::span<const std::uint8_t> body, bool numbered,
                              CompletionCallback completion) {
  if (!outstanding_) {
    // Taken only for a message that goes out: a refused one must not
    // replace what the outstanding request runs on its acknowledgement.
    if (numbered)
      completion_ = std::move(completion);
    if (Send(destination, command, head, body, numbered) != 0) {
      Fail(kErrorSendFailed);
      return -1;
    }
    if (numbered) {
      outstanding_ = true;
      StartRetransmission();
    }
    return static_cast<int>(counter_ & 0x7FFFFFFFu);
  }
  if (numbered) {
    Fail(kErrorBusy);
    return -1;
  }
  if (Send(destination, command, head, body, false) != 0)
    Fail(kErrorSendFailed);
  return -1;
}

void Transactions::SendUnreported(std::uint32_t destination, std::uint16_t command,
                                  std::span<const std::uint8_t> payload) {
  (void)Send(destination, command, payload, {}, false);
}

void Transactions::StartRetransmission() {
  std::uint32_t generation = ++retransmitGeneration_;
  retransmitSlot_ = transport_.StartTimer([this, generation] { Repeat(generation); },
                                          ProtocolTiming::SlotCount(kTiming.repeatInterval));
}

void Transactions::Repeat(std::uint32_t generation) {
  if (generation != retransmitGeneration_ || !outstanding_)
    return;
  retransmitSlot_ = {};
  ++attempts_;
  if (attempts_ >= kTiming.sends) {
    outstanding_ = false;
    retransmitSlot_ = {};
    Fail(kErrorNoAcknowledge);
    return;
  }
  if (transport_.SendDatagram(savedDestination_, saved_) != 0) {
    // The message stays outstanding; the next repetition tries again.
    Fail(kErrorSendFailed);
    if (!outstanding_)
      return;
  }
  StartRetransmission();
}

void Transactions::SetSession(std::uint32_t router) {
  registered_ = true;
  router_ = router;
  transport_.SetPeerFilter(router);
}

void Transactions::EndSession() {
  registered_ = false;
  router_ = 0;
  outstanding_ = false;
  ForgetDelivered();
  counter_ = 0;
  savedDestination_ = 0;
  // A repetition still pending belongs to the ended session; it must not
  // repeat whatever is sent next.
  transport_.CancelTimer(retransmitSlot_);
  retransmitSlot_ = {};
  ++retransmitGeneration_;
  transport_.SetPeerFilter(0);
}

void Transactions::OnMessage(std::uint32_t sender, std::span<const std::uint8_t> bytes) {
  // Too short to carry a command.
  if (bytes.size() < kHeaderLength)
    return;
  WireReader in(bytes);
  std::uint16_t command = in.U16();
  std::uint16_t sequence = in.U16();
  std::span<const std::uint8_t> payload = bytes.subspan(kHeaderLength);
  bool acknowledgement = IsAcknowledgeCommand(command);

  if (sequence != 0 && (registered_ || !acknowledgement)) {
    const std::uint8_t ack[6] = {static_cast<std::uint8_t>(kAcknowledgeCommand >> 8),
                                 static_cast<std::uint8_t>(kAcknowledgeCommand & 0xFF),
                                 0,
                                 0,
                                 static_cast<std::uint8_t>(sequence >> 8),
                                 static_cast<std::uint8_t>(sequence & 0xFF)};
    if (transport_.SendDatagram(sender, ack) != 0)
      Fail(kErrorSendFailed);
  }

  if (!outstanding_) {
    if (acknowledgement)
      return;
    // A numbered message repeated because our acknowledgement was lost has
    // been acknowledged again above; it is handed upward only once.
    if (IsRepeat(sender, command, sequence))
      return;
    Deliver(sender, command, sequence, payload);
    return;
  }

  if (acknowledgement) {
    if (payload.size() < 2)
      return;
    std::uint16_t acknowledged = WireReader(payload).U16();
    if (acknowledged != static_cast<std::uint16_t>(counter_) || sender != savedDestination_)
      return;
    Complete(sender);
    return;
  }
  if (sequence != 0 && IsRepeat(sender, command, sequence))
    return;
  if (sequence != 0 && sender == savedDestination_ && answerRule_ && saved_.size() >= 2 &&
      answerRule_(static_cast<std::uint16_t>(saved_[0] << 8 | saved_[1]), command)) {
    Complete(sender);
    Deliver(sender, command, sequence, payload);
    return;
  }
  if (registered_ && sender == router_ && sequence != 0) {
    Fail(kErrorCrossedRequest);
    return;
  }
  if (handler_)
    handler_(sender, command, sequence, payload);
}

void Transactions::Complete(std::uint32_t sender) {
  transport_.CancelTimer(retransmitSlot_);
  retransmitSlot_ = {};
  ++retransmitGeneration_;
  outstanding_ = false;
  if (completion_) {
    CompletionCallback completion = completion_;
    completion(sender);
  }
}

void Transactions::Deliver(std::uint32_t sender, std::uint16_t command, std::uint16_t sequence,
                           std::span<const std::uint8_t> payload) {
  if (sequence != 0) {
    lastDelivered_ = sequence;
    lastDeliveredSender_ = sender;
    lastDeliveredCommand_ = command;
  }
  if (handler_)
    handler_(sender, command, sequence, payload);
}

}  // namespace tarcfg
