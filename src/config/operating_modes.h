// SPDX-License-Identifier: GPL-3.0-or-later
// The router's operating modes: the D-channel protocol of a switched line
// (1TR6 or DSS1) or one of the permanent connections. The one table of
// names, labels, firmware files and per-mode rules; the Router Configuration
// dialog, the .cfg reader and writer, the reports, the firmware download
// plan, tarcfg-cli's options and serve's labels all read it, so a further
// mode is one more row here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/records.h"

namespace tarcfg {

// The router keeps its D-channel protocol (a permanent connection does not
// dial, so it never asks for another).
inline constexpr int kKeepDChannelProtocol = -1;

// What the mode asks of the router's and the line targets' phone numbers.
enum class PhoneNumberRule {
  kAnyNumber,  // a switched line dials whatever number is entered
  kZeroOrOne,  // the connection's channel: '0' or '1' (message 40108)
  kNotUsed,    // the connection never dials: the field is left as it is
};

struct OperatingModeEntry {
  const char* name;         // as typed: "1TR6", "DSS1", "FV64S", "FVS01", "FVS02"
  const char* displayName;  // as the dialogs and the .cfg header show it
  const char* label;        // a metrics label: "switched" or the connection's name
  int dChannelProtocol;     // 0 1TR6, 1 DSS1, or kKeepDChannelProtocol
  int permanentConnection;  // 0 switched, else the connection's number on the wire
  // The firmware image's file name prefix; "" for a permanent connection,
  // which runs the image of the D-channel protocol it keeps.
  const char* firmwarePrefix;
  PhoneNumberRule phoneNumber;
  int maxLineTargets;
  // Whether a firmware download embeds the router's line targets, routes
  // and filters; without them it sends empty tables.
  bool downloadCarriesTables;
};

// In the order the Router Configuration dialog lists them.
inline constexpr auto kOperatingModes = std::to_array<OperatingModeEntry>({
    {"1TR6", "1TR6", "switched", 0, 0, "fw_1tr6.", PhoneNumberRule::kAnyNumber, kMaxLineTargets,
     true},
    {"DSS1", "DSS1", "switched", 1, 0, "fw_dss1.", PhoneNumberRule::kAnyNumber, kMaxLineTargets,
     true},
    {"FV64S", "Digital FV64S", "FV64S", kKeepDChannelProtocol, 1, "", PhoneNumberRule::kZeroOrOne,
     kMaxLineTargetsPermanent, false},
    {"FVS01", "Digital FVS01", "FVS01", kKeepDChannelProtocol, 2, "", PhoneNumberRule::kNotUsed,
     kMaxLineTargetsPermanent, false},
    {"FVS02", "Digital FVS02", "FVS02", kKeepDChannelProtocol, 3, "", PhoneNumberRule::kNotUsed,
     kMaxLineTargetsPermanent, false},
});

// The mode typed as `name` (any case), or nullptr.
const OperatingModeEntry* FindOperatingMode(std::string_view name);
// The switched mode of a D-channel protocol: 1TR6 for 0, DSS1 for any other.
const OperatingModeEntry& SwitchedMode(int dChannelProtocol);
// The permanent connection with that number, or nullptr (also for 0).
const OperatingModeEntry* FindPermanentMode(int permanentConnection);
// The mode a router runs: its permanent connection, else the switched mode
// of its D-channel protocol; nullptr for a connection the table lacks.
const OperatingModeEntry* RouterOperatingMode(int dChannelProtocol, int permanentConnection);
// The entry's position in kOperatingModes.
int OperatingModeIndex(const OperatingModeEntry& mode);

// "1TR6|DSS1|FV64S|FVS01|FVS02" with `separator`, or with `last` before the
// last name ("1TR6, DSS1, FV64S, FVS01 or FVS02").
std::string OperatingModeNames(std::string_view separator, std::string_view last);

// "1TR6" for 0, "DSS1" for any other D-channel protocol.
const char* DChannelProtocolName(int dChannelProtocol);
// "Digital FV64S" .. "Digital FVS02"; "" for 0 or an unknown value.
const char* PermanentConnectionName(int permanentConnection);
// "switched", "FV64S", "FVS01", "FVS02", or "unknown".
const char* OperatingModeLabel(int permanentConnection);

// The rules of a router's permanent-connection value (0 switched). A value
// the table lacks is taken as a connection that does not dial.
PhoneNumberRule PhoneNumberRuleOf(int permanentConnection);
int LineTargetLimit(int permanentConnection);
bool DownloadCarriesTables(int permanentConnection);

}  // namespace tarcfg
