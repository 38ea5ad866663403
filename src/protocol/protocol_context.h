// SPDX-License-Identifier: GPL-3.0-or-later
// ProtocolContext: what the parts behind RouterProtocol share. The transport
// and the numbered request layer on top of it, the workstation settings,
// the protocol tables and the address service, and the state machine's
// common fields: the protocol state, the routers it deals with and the
// answer a running request waits for.
//
// RouterProtocol owns it and keeps the dispatcher; TableTransfer and
// ImageDownload work on it. Nothing outside the protocol library sees it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "protocol/router_protocol.h"
#include "protocol/transactions.h"
#include "protocol/transport.h"

namespace tarcfg::protocol {

// Whether `state` belongs to a registration or a firmware download: the
// states in which the dispatcher takes the registered-only messages (from
// the registered router) and the line monitor may be switched. A download
// starts from a registration and clears the registered router on its way
// into the loader, so its messages are still checked against the sender.
// Every state is named, so that a new one must be decided on here.
constexpr bool RegisteredOrDownloading(ProtocolState state) {
  switch (state) {
    case ProtocolState::Idle:
    case ProtocolState::Registering:
    case ProtocolState::PasswordRequested:
      return false;
    case ProtocolState::Registered:
    case ProtocolState::Transferring:
    case ProtocolState::DownloadRequested:
    case ProtocolState::Downloading:
    case ProtocolState::Restarting:
    case ProtocolState::WaitingForLoader:
      return true;
  }
  return false;
}

class ProtocolContext {
 public:
  ProtocolContext(DatagramSocket& socket, const GuiSettings& settings, const ProtocolTables& tables,
                  AddressService& addresses);
  ProtocolContext(const ProtocolContext&) = delete;
  ProtocolContext& operator=(const ProtocolContext&) = delete;

  // Sends a request; a negative result has already been reported.
  int Send(std::uint32_t destination, std::uint16_t commandWord,
           std::span<const std::uint8_t> payload, bool numbered,
           Transactions::CompletionCallback completion = nullptr) {
    return transactions.SendRequest(destination, commandWord, payload, numbered,
                                    std::move(completion));
  }
  // The same with the payload in two parts, put together in the message
  // itself (a firmware block: its offset, then the image's bytes).
  int Send(std::uint32_t destination, std::uint16_t commandWord, std::span<const std::uint8_t> head,
           std::span<const std::uint8_t> body, bool numbered,
           Transactions::CompletionCallback completion = nullptr) {
    return transactions.SendRequest(destination, commandWord, head, body, numbered,
                                    std::move(completion));
  }
  void ReportError(int code) {
    if (error) {
      RouterProtocol::ErrorCallback callback = error;
      callback(code);
    }
  }
  WireContext wire() { return WireContext{addresses, tables}; }

  Transport transport;
  Transactions transactions;
  GuiSettings settings;
  const ProtocolTables& tables;
  AddressService& addresses;

  ProtocolState state = ProtocolState::Idle;
  std::uint32_t broadcast = 0;
  std::uint32_t candidate = 0;   // the router being registered or downloaded to
  std::uint32_t registered = 0;  // the router we hold; 0: none
  // The numbered answer the running request waits for; 0: none.
  std::uint16_t expectedAnswer = 0;
  RouterProtocol::ErrorCallback error;
  // Ends a registration or download by the dispatcher's rules, as a
  // handler's result `code` for a message of `sender` would.
  std::function<void(std::uint32_t sender, int code)> abort;
};

}  // namespace tarcfg::protocol
