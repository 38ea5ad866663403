// SPDX-License-Identifier: GPL-3.0-or-later
// Checks of typed texts shared by the dialogs, the .cfg reader and the CLI,
// so that whatever one of them accepts the others accept too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/address.h"
#include "config/net_database.h"

namespace tarcfg {

// The text without any blanks (typed addresses, numbers and names).
std::string RemoveBlanks(std::string_view text);

// One to 20 decimal digits, or digits (also none) followed by one final "s"
// (at most 20 characters in all, so the number always fits its record).
bool IsValidPhoneNumber(std::string_view text);

// An address field as typed (blanks removed): fits an address record and
// names an address (dotted quad or a host name the system resolves).
bool IsValidAddressField(std::string_view text, AddressService& addresses);

// Whether `router` lies in the network of `own` under `mask`; a router
// outside it is possible, but the user is asked first (40110).
bool InOwnNetwork(std::uint32_t mask, std::uint32_t router, std::uint32_t own);

// The router's own number is dialled, never a prefix that ends in "s".
bool IsDiallableRouterNumber(std::string_view phoneNumber);

// Highest port a filter can carry: the router keeps ports in 16 bits.
inline constexpr int kMaxServicePort = 65535;

struct ServicePort {
  int port = 0;
  int protocol = 0;  // IP protocol number
};

// A service text that names one port of one protocol: a name the services
// database lists (for any protocol) with a protocol the protocols database
// knows, or a number (decimal, hexadecimal with "0x", octal with a leading
// 0) from 0 to 65535 followed by "/" and a known protocol name. Nothing
// for anything else, in particular a port the router cannot hold.
std::optional<ServicePort> ParsePortService(std::string_view text, NetDatabase& database);

}  // namespace tarcfg
