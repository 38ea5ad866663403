// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the tool shows for routers: the router-list line, the overview
// report and the accounting report. Shared by the desktop tool and the CLI.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "config/address.h"
#include "config/configuration.h"
#include "config/operating_modes.h"
#include "config/records.h"

namespace tarcfg {

// "%02x-%02x-%02x-%02x-%02x-%02x".
std::string FormatHardwareAddress(const std::array<std::uint8_t, 6>& bytes);
// Six hexadecimal pairs separated by '-' (or ':'); false when malformed.
bool ParseHardwareAddress(std::string_view text, std::array<std::uint8_t, 6>* bytes);

// The router's name column: its address as text, "---------" without one.
std::string RouterDisplayName(AddressService& addresses, std::uint32_t routerAddress);

// The router-list line: " HW\tNAME " or "(HW\tNAME)" when another host holds it.
std::string FormatRouterLine(AddressService& addresses, std::uint32_t routerAddress,
                             const std::array<std::uint8_t, 6>& hardwareAddress,
                             std::uint32_t registeredHost, std::uint32_t ownAddress);

// "? / ?", "V / DSS1" or "V / DSS1 / Digital FVS01".
std::string FirmwareText(const std::string& version, int dChannelProtocol, int permanentConnection);

// The state text of a B-channel (strings 1005-1008); unknown states are "Not connected".
std::string ChannelStateText(int state);
// "STATE -> ADDRESS (NAME)" while a channel is in use, else "Not connected".
std::string OverviewChannelText(int state, const std::string& remote, const std::string& name);

// One block of the Accounting Data text (string 1004).
std::string AccountingBlock(const LineTarget& target);

// Message 40012 for UDP port 1532 that could not be opened, with the error
// number and, on the next line, the system's text for it (none for 0).
std::string PortBindMessage(int errorNumber);

// One cell of a CSV export (the desktop tool's and the CLI's alike). A text
// that a spreadsheet would run as a formula, one starting with "=", "+",
// "-", "@", a tab or a CR, gets a single quote in front inside a quoted
// cell (the OWASP advice on CSV injection); a plain decimal number such as
// -5 or +49 is no formula and stays as it is. A cell holding a comma, a
// quote or a line break is quoted, its quotes doubled.
std::string CsvCell(std::string_view text);

// The accounting counters as CSV, for the desktop tool's export and
// tarcfg-cli's --csv alike: the header row "hostName,phoneNumber,charges,
// callsOutgoing,callsIncoming,packetsOutgoing,packetsIncoming,bytesOutgoing,
// bytesIncoming" (scripts read these names), then one row per line target in
// list order, host names and phone numbers through CsvCell. Each row ends in
// `lineEnd`.
std::string AccountingCsv(const LineTargetList& lineTargets, std::string_view lineEnd = "\r\n");

// The names of the seven accounting counters, in the order a line target
// keeps them: the CSV header's and tarcfg-cli's JSON keys.
inline constexpr const char* kAccountingCounterNames[] = {
    "charges",         "callsOutgoing", "callsIncoming", "packetsOutgoing",
    "packetsIncoming", "bytesOutgoing", "bytesIncoming"};

// The file name a configuration of router `routerName` is saved under: the
// name cut to (maxNameLength - 4) characters, "." turned into "_", ".cfg".
std::string RememberedFileName(std::string_view routerName, int maxNameLength);
// The maximum file-name length of the file system holding `directory` (12
// when it cannot be learnt).
int MaxFileNameLength(const std::string& directory);

}  // namespace tarcfg
