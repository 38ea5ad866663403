// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/reports.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iterator>

#include "config/string_table.h"

namespace tarcfg {

std::string FormatHardwareAddress(const std::array<std::uint8_t, 6>& b) {
  char text[18];
  std::snprintf(text, sizeof text, "%02x-%02x-%02x-%02x-%02x-%02x", b[0], b[1], b[2], b[3], b[4],
                b[5]);
  return text;
}

bool ParseHardwareAddress(std::string_view text, std::array<std::uint8_t, 6>* bytes) {
  if (text.size() != 17)
    return false;
  std::array<std::uint8_t, 6> out{};
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9')
      return c - '0';
    if (c >= 'a' && c <= 'f')
      return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
      return c - 'A' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < 6; ++i) {
    const int high = hex(text[i * 3]), low = hex(text[i * 3 + 1]);
    if (high < 0 || low < 0)
      return false;
    if (i < 5 && text[i * 3 + 2] != '-' && text[i * 3 + 2] != ':')
      return false;
    out[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  if (bytes)
    *bytes = out;
  return true;
}

std::string RouterDisplayName(AddressService& addresses, std::uint32_t routerAddress) {
  return routerAddress == 0 ? std::string("---------") : addresses.FormatAddress(routerAddress);
}

std::string FormatRouterLine(AddressService& addresses, std::uint32_t routerAddress,
                             const std::array<std::uint8_t, 6>& hardwareAddress,
                             std::uint32_t registeredHost, std::uint32_t ownAddress) {
  const std::string name = RouterDisplayName(addresses, routerAddress);
  const std::string hardware = FormatHardwareAddress(hardwareAddress);
  if (registeredHost != 0 && registeredHost != ownAddress)
    return "(" + hardware + "\t" + name + ")";
  return " " + hardware + "\t" + name + " ";
}

std::string FirmwareText(const std::string& version, int dChannelProtocol,
                         int permanentConnection) {
  if (version.empty())
    return "? / ?";
  std::string text = version + " / " + DChannelProtocolName(dChannelProtocol);
  if (FindPermanentMode(permanentConnection))
    text += std::string(" / ") + PermanentConnectionName(permanentConnection);
  return text;
}

std::string ChannelStateText(int state) {
  switch (state) {
    case 1:
    case 2:
      return LoadString(1005);
    case 3:
      return LoadString(1007);
    case 4:
    case 5:
      return LoadString(1006);
  }
  return LoadString(1008);
}

std::string OverviewChannelText(int state, const std::string& remote, const std::string& name) {
  if (state < 1 || state > 5)
    return LoadString(1008);
  return ChannelStateText(state) + " -> " + remote + " (" + name + ")";
}

std::string AccountingBlock(const LineTarget& t) {
  const auto& c = t.accountingCounters;
  // The counters are unsigned on the wire; shown as the report always has.
  auto n = [](std::uint32_t v) { return static_cast<long>(v); };
  return FormatString(1004, t.hostName.c_str(), t.phoneNumber.c_str(), n(c[2]), n(c[1]), n(c[4]),
                      n(c[3]), n(c[6]), n(c[5]), n(c[0]));
}

std::string PortBindMessage(int errorNumber) {
  std::string message = FormatString(40012, errorNumber);
  if (errorNumber > 0)
    message += std::string("\n") + std::strerror(errorNumber);
  return message;
}

namespace {

// An optional sign, digits, and at most one decimal point between digits.
bool IsPlainNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+'))
    ++i;
  bool digits = false;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && digits && !point && i + 1 < text.size()) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

bool StartsFormula(std::string_view text) {
  if (text.empty())
    return false;
  switch (text.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
      return !IsPlainNumber(text);
    default:
      return false;
  }
}

}  // namespace

std::string CsvCell(std::string_view text) {
  const bool formula = StartsFormula(text);
  if (!formula && text.find_first_of(",\"\r\n") == std::string_view::npos)
    return std::string(text);
  std::string cell = formula ? "\"'" : "\"";
  for (char c : text) {
    if (c == '"')
      cell += '"';
    cell += c;
  }
  return cell + '"';
}

std::string RememberedFileName(std::string_view routerName, int maxNameLength) {
  const std::size_t keep = maxNameLength > 4 ? static_cast<std::size_t>(maxNameLength - 4) : 0;
  std::string name(routerName.substr(0, keep));
  for (char& ch : name)
    if (ch == '.')
      ch = '_';
  return name + ".cfg";
}

int MaxFileNameLength(const std::string& directory) {
  const long length = ::pathconf(directory.empty() ? "." : directory.c_str(), _PC_NAME_MAX);
  return length > 0 ? static_cast<int>(length) : 12;
}

static_assert(std::size(kAccountingCounterNames) ==
              std::tuple_size_v<decltype(LineTarget::accountingCounters)>);

std::string AccountingCsv(const LineTargetList& lineTargets, std::string_view lineEnd) {
  std::string csv = "hostName,phoneNumber";
  for (const char* name : kAccountingCounterNames)
    csv.append(",").append(name);
  csv += lineEnd;
  for (const LineTarget& target : lineTargets) {
    csv += CsvCell(target.hostName.str());
    csv += ',';
    csv += CsvCell(target.phoneNumber.str());
    for (const std::uint32_t counter : target.accountingCounters) {
      csv += ',';
      csv += std::to_string(counter);
    }
    csv += lineEnd;
  }
  return csv;
}

}  // namespace tarcfg
