// SPDX-License-Identifier: GPL-3.0-or-later
// What every front end makes of the protocol's reports, so that the desktop
// tool and tarcfg-cli say the same thing: the message of a network error,
// the message of a refused registration, and the router parameters an
// accepted registration tells.
#pragma once

#include <string>
#include <string_view>

#include "config/records.h"
#include "protocol/router_protocol.h"

namespace tarcfg {

// Reasons a router gives for refusing a registration.
inline constexpr int kRefusedWrongPassword = 3;
inline constexpr int kRefusedHeldByOtherHost = 4;
inline constexpr int kRefusedBusy = 5;
inline constexpr int kRefusedNoAnswer = 6;

// The message number of a code the protocol's error callback reports:
// 40101 (flash failed), 40102 (download failed), 40103 (loader not found),
// else 40100 (formatted with the code).
int NetworkErrorMessageNumber(int code);
// The message text of that code.
std::string NetworkErrorMessage(int code);

// The message text of a refused registration (40000, 40007, 40107, 40008,
// else 40006 with the code).
std::string RegistrationRefusalMessage(const RegistrationResult& result);

// The message of a password longer than a registration can carry
// (kPasswordWireLength): the router would refuse it as wrong (40000).
std::string PasswordTooLongMessage();

// Sets what an accepted registration tells about the router: its name (the
// address text it was registered by), net mask, phone number, D-channel
// protocol, firmware version and permanent connection. Password and
// exclusive right are left as they are.
void ApplyRegistration(const RegistrationResult& result, std::string_view routerName,
                       RouterParameters& parameters);

}  // namespace tarcfg
