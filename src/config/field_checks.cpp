// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/field_checks.h"

#include "config/number_text.h"
#include "config/records.h"

namespace tarcfg {

std::string RemoveBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ')
      out += c;
  return out;
}

bool IsValidPhoneNumber(std::string_view text) {
  if (text.empty() || text.size() > kPhoneNumberCapacity)
    return false;
  std::size_t digits = text.size();
  if (text.back() == 's')
    --digits;
  for (std::size_t i = 0; i < digits; ++i)
    if (text[i] < '0' || text[i] > '9')
      return false;
  return true;
}

std::optional<ServicePort> ParsePortService(std::string_view text, NetDatabase& database) {
  if (text.empty())
    return std::nullopt;
  if (const auto service = database.ServiceByName(text, "")) {
    const auto protocol = database.ProtocolNumber(service->protocol);
    if (!protocol || service->port < 0 || service->port > kMaxServicePort)
      return std::nullopt;
    return ServicePort{service->port, *protocol};
  }
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos)
    return std::nullopt;
  int port = 0;
  if (!ParseSignedNumber(text.substr(0, slash), &port) || port < 0 || port > kMaxServicePort)
    return std::nullopt;
  const std::string_view protocolName = text.substr(slash + 1);
  if (protocolName.empty())
    return std::nullopt;
  const auto protocol = database.ProtocolNumber(protocolName);
  if (!protocol)
    return std::nullopt;
  return ServicePort{port, *protocol};
}

bool IsValidAddressField(std::string_view text, AddressService& addresses) {
  return AddressText::Fits(text) && addresses.IsValidAddress(text);
}

bool InOwnNetwork(std::uint32_t mask, std::uint32_t router, std::uint32_t own) {
  return (mask & router) == (mask & own);
}

bool IsDiallableRouterNumber(std::string_view phoneNumber) {
  return phoneNumber.find('s') == std::string_view::npos;
}

}  // namespace tarcfg
