// SPDX-License-Identifier: GPL-3.0-or-later
// The pure rules behind the router list and the registration flows: how a
// scan answer becomes a list line, how a hardware address text is read
// back, and which request a change of router parameters needs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/address.h"
#include "config/records.h"
#include "config/router_changes.h"
#include "protocol/router_protocol.h"

namespace tarcfg {

inline constexpr const char* kNoAddressName = "---------";

// The name column: the router's address as text, "---------" for 0.
std::string RouterDisplayName(std::uint32_t routerAddress, AddressService& addresses);
// "00-60-1a-10-00-01" (defined with the shared report texts, reports.cpp).
std::string FormatHardwareAddress(const HardwareAddress& hardware);
// The list's own form only, six hexadecimal pairs joined by "-"; false (and
// zeros) otherwise. ParseHardwareAddress (reports.h) also takes ":".
bool ParseListedHardwareAddress(std::string_view text, std::array<std::uint8_t, 6>& out);

// " hw\tname " for a free router or one this host holds, "(hw\tname)" for
// a router another host holds.
std::string FormatRouterLine(const ScanAnswer& answer, AddressService& addresses,
                             std::uint32_t ownAddress);

// Change kinds (CompareRouterParameters, router_changes.h) by the names the
// registration flows use.
inline constexpr int kPasswordAndParameters = kPasswordAndParameterChange;
inline constexpr int kFullReconfiguration = kFirmwareChange;

}  // namespace tarcfg
