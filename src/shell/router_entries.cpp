// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/router_entries.h"

#include "config/reports.h"

namespace tarcfg {

// The list's rules are the shared report rules; these keep the shell's
// argument order.
std::string RouterDisplayName(std::uint32_t routerAddress, AddressService& addresses) {
  return RouterDisplayName(addresses, routerAddress);
}

bool ParseListedHardwareAddress(std::string_view text, std::array<std::uint8_t, 6>& out) {
  out.fill(0);
  // Only the list's own form, pairs joined by '-'.
  if (text.find(':') != std::string_view::npos)
    return false;
  return ParseHardwareAddress(text, &out);
}

std::string FormatRouterLine(const ScanAnswer& answer, AddressService& addresses,
                             std::uint32_t ownAddress) {
  return FormatRouterLine(addresses, answer.routerAddress, answer.hardwareAddress,
                          answer.registeredHost, ownAddress);
}

}  // namespace tarcfg
