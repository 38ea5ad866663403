#include "router_entries.h"

#include <cstdio>

namespace tarcfg {

std::string RouterDisplayName(std::uint32_t routerAddress, AddressService& addresses) {
  if (routerAddress == 0)
    return kNoAddressName;
  return addresses.FormatAddress(routerAddress);
}

bool ParseHardwareAddress(std::string_view text, std::array<std::uint8_t, 6>& out) {
  out.fill(0);
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9')
      return c - '0';
    if (c >= 'a' && c <= 'f')
      return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
      return c - 'A' + 10;
    return -1;
  };
  if (text.size() != 17)
    return false;
  std::array<std::uint8_t, 6> bytes{};
  for (std::size_t i = 0; i < 6; ++i) {
    std::size_t at = i * 3;
    int high = nibble(text[at]);
    int low = nibble(text[at + 1]);
    if (high < 0 || low < 0 || (i < 5 && text[at + 2] != '-'))
      return false;
    bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  out = bytes;
  return true;
}

std::string FormatRouterLine(const ScanAnswer& answer, AddressService& addresses,
                             std::uint32_t ownAddress) {
  std::string name = RouterDisplayName(answer.routerAddress, addresses);
  std::string hardware = FormatHardwareAddress(answer.hardwareAddress);
  if (answer.registeredHost != 0 && answer.registeredHost != ownAddress)
    return "(" + hardware + "\t" + name + ")";
  return " " + hardware + "\t" + name + " ";
}

int CompareRouterParameters(const RouterParameters& current, const RouterParameters& changed) {
  if (current.firmwareVersion != changed.firmwareVersion ||
      current.dChannelProtocol != changed.dChannelProtocol ||
      current.permanentConnection != changed.permanentConnection)
    return kFullReconfiguration;
  bool access = current.password != changed.password ||
                current.exclusiveToThisHost != changed.exclusiveToThisHost;
  bool parameters = current.name != changed.name || current.netmask != changed.netmask ||
                    current.phoneNumber != changed.phoneNumber;
  if (access && parameters)
    return kPasswordAndParameters;
  if (access)
    return kPasswordChange;
  if (parameters)
    return kParameterChange;
  return kNoChange;
}

}  // namespace tarcfg
