// SPDX-License-Identifier: GPL-3.0-or-later
// RouterProtocolTestPeer: lets the protocol's tests drive the dispatcher's
// rules directly and look at the layers below RouterProtocol, which its
// public interface keeps to itself.
#pragma once

#include <cstdint>

#include "protocol/protocol_context.h"
#include "protocol/router_protocol.h"

namespace tarcfg {

class RouterProtocolTestPeer {
 public:
  static void AbortRegistration(RouterProtocol& protocol, std::uint32_t sender, int code) {
    protocol.AbortRegistration(sender, code);
  }
  static void OnTransportError(RouterProtocol& protocol, int code) {
    protocol.OnTransportError(code);
  }
  // The only sender the transport lets through; 0: everyone.
  static std::uint32_t peerFilter(const RouterProtocol& protocol) {
    return protocol.context_->transport.peerFilter();
  }
  // The request layer numbers a registered router's session.
  static bool sessionRegistered(const RouterProtocol& protocol) {
    return protocol.context_->transactions.registered();
  }
};

}  // namespace tarcfg
