// SPDX-License-Identifier: GPL-3.0-or-later
// The router's operating modes: the D-channel protocol of a switched line
// (1TR6 or DSS1) or one of the three permanent connections. One table for
// the dialogs, the .cfg writer, the reports and tarcfg-cli.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tarcfg {

// The router keeps its D-channel protocol (a permanent connection does not
// dial, so it never asks for another).
inline constexpr int kKeepDChannelProtocol = -1;

struct OperatingModeEntry {
  const char* name;         // as typed: "1TR6", "DSS1", "FV64S", "FVS01", "FVS02"
  const char* displayName;  // as the dialogs and the .cfg header show it
  const char* label;        // a metrics label: "switched" or the connection's name
  int dChannelProtocol;     // 0 1TR6, 1 DSS1, or kKeepDChannelProtocol
  int permanentConnection;  // 0 switched, 1..3
};

// In the order the Router Configuration dialog lists them.
inline constexpr std::array<OperatingModeEntry, 5> kOperatingModes{{
    {"1TR6", "1TR6", "switched", 0, 0},
    {"DSS1", "DSS1", "switched", 1, 0},
    {"FV64S", "Digital FV64S", "FV64S", kKeepDChannelProtocol, 1},
    {"FVS01", "Digital FVS01", "FVS01", kKeepDChannelProtocol, 2},
    {"FVS02", "Digital FVS02", "FVS02", kKeepDChannelProtocol, 3},
}};

// The mode typed as `name` (any case), or nullptr.
const OperatingModeEntry* FindOperatingMode(std::string_view name);

// "1TR6" for 0, "DSS1" for any other D-channel protocol.
const char* DChannelProtocolName(int dChannelProtocol);
// "Digital FV64S" .. "Digital FVS02"; "" for 0 or an unknown value.
const char* PermanentConnectionName(int permanentConnection);
// "switched", "FV64S", "FVS01", "FVS02", or "unknown".
const char* OperatingModeLabel(int permanentConnection);

}  // namespace tarcfg
