// SPDX-License-Identifier: GPL-3.0-or-later
// The workstation facts the program runs on: own address, net mask, the
// name-resolving switch and the firmware directory.
#pragma once

#include <cstdint>
#include <string>

#include "config/address.h"
#include "config/net_database.h"
#include "config/profile_file.h"

namespace tarcfg {

inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kSettingsFileName = "tarcfg.ini";

struct GuiSettings {
  std::uint32_t ownAddress = 0;
  std::uint32_t netMask = 0;
  int nameResolve = 1;
  std::string firmwarePath;
  std::string ipAddressText;  // as in the settings file
  std::string netMaskText;
  // How many configurations the history keeps per router ("HistoryLimit");
  // 0 turns the history off.
  int historyLimit = 50;
};

// The broadcast address of this workstation's network: its own address
// with every host bit of the net mask set. The router protocol sends its
// scans and overview queries there.
std::uint32_t BroadcastAddress(const GuiSettings& settings);

// Whether LoadGuiSettings writes what it repaired back to the file. Offline
// commands take the repaired values for this run only.
enum class SettingsRepair { kWriteBack, kKeepFile };

// Reads section "Settings" of `profile`, repairs missing or invalid values
// (writing back only those), and switches name resolving of `addresses`.
// A missing "FirmwarePath" reads as `defaultFirmwarePath` and is not written.
GuiSettings LoadGuiSettings(ProfileFile& profile, AddressService& addresses,
                            const std::string& defaultFirmwarePath,
                            SettingsRepair repair = SettingsRepair::kWriteBack);

// The firmware directory when the settings name none:
// $XDG_DATA_HOME/tarcfg/firmware (~/.local/share/tarcfg/firmware), or
// `currentDirectory` without a home directory. tarcfg.pro is read and
// tarcfg.add written there.
std::string DefaultFirmwareDirectory(const std::string& currentDirectory);
// Where save.cfg goes: $XDG_STATE_HOME/tarcfg (~/.local/state/tarcfg), or
// `currentDirectory` without a home directory. Created when first written.
std::string StateDirectory(const std::string& currentDirectory);

// The first address of this host's name, or the first IPv4 address of an
// interface that is up and not loopback; 0 when there is none.
std::uint32_t DetectLocalAddress(AddressService& addresses);
// The mask of the interface that carries `localAddress`, else by class.
std::uint32_t DetectNetMask(AddressService& addresses, std::uint32_t localAddress);
std::uint32_t DefaultNetMaskForClass(std::uint32_t localAddress);

// Where the settings live: `option` (--settings), else $TARCFG_SETTINGS,
// else tarcfg.ini in the XDG configuration directory.
std::string SettingsFilePath(const std::string& option);

}  // namespace tarcfg
