// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/gui_settings.h"

#include <cstdlib>

namespace tarcfg {
namespace {

constexpr std::size_t kSettingTextLimit = 259;  // texts are read into 260 characters

std::string ReadText(const ProfileFile& profile, const char* key) {
  std::string value = profile.GetString(kSettingsSection, key, "");
  if (value.size() > kSettingTextLimit)
    value.resize(kSettingTextLimit);
  return value;
}

// "NameResolve" is a profile integer: its leading digits, and a value
// without any (no, off, an empty one) reads as 0. A missing key gives -1, so
// that it is written; only 0 and 1 are values of the switch.
int ReadNameResolve(const ProfileFile& profile) {
  return profile.GetInt(kSettingsSection, "NameResolve", -1);
}

bool IsLoopback(std::uint32_t address) {
  return (address >> 24) == 127;
}

// A missing or unreadable value keeps the default rather than turning the
// history off by accident; it is not written back, the default needs no line.
int ReadHistoryLimit(const ProfileFile& profile) {
  constexpr int kDefault = 50;
  const std::string text = profile.GetString(kSettingsSection, "HistoryLimit", "");
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
    return kDefault;
  return std::stoi(text);
}

}  // namespace

std::uint32_t BroadcastAddress(const GuiSettings& settings) {
  return settings.ownAddress | ~settings.netMask;
}

GuiSettings LoadGuiSettings(ProfileFile& profile, AddressService& addresses,
                            const std::string& defaultFirmwarePath, SettingsRepair repair) {
  const bool write = repair == SettingsRepair::kWriteBack;
  GuiSettings settings;
  std::string ip = ReadText(profile, "IpAddress");
  std::string mask = ReadText(profile, "NetMask");
  std::string firmware = ReadText(profile, "FirmwarePath");
  int nameResolve = ReadNameResolve(profile);

  // Only an address found on this host is written: a start without a
  // network must not leave 0.0.0.0 behind for every later start, and a
  // 0.0.0.0 that an older version left counts as missing.
  if (!addresses.IsValidAddress(ip) || addresses.ResolveAddress(ip) == 0) {
    const std::uint32_t detected = DetectLocalAddress(addresses);
    ip = DottedQuad(detected);
    if (detected != 0 && write)
      profile.WriteString(kSettingsSection, "IpAddress", ip);
  }
  if (!addresses.IsValidAddress(mask)) {
    const std::uint32_t local = DetectLocalAddress(addresses);
    mask = DottedQuad(DetectNetMask(addresses, local));
    if (local != 0 && write)
      profile.WriteString(kSettingsSection, "NetMask", mask);
  }
  if (nameResolve != 0 && nameResolve != 1) {
    nameResolve = 1;
    if (write)
      profile.WriteString(kSettingsSection, "NameResolve", "1");
  }
  // The default stays out of the file: only a directory the user chose is
  // kept there, so a later version may move the default.
  if (firmware.empty())
    firmware = defaultFirmwarePath.substr(0, 260);

  settings.ipAddressText = ip;
  settings.netMaskText = mask;
  settings.ownAddress = addresses.ResolveAddress(ip);
  settings.netMask = addresses.ResolveAddress(mask);
  settings.nameResolve = nameResolve;
  settings.firmwarePath = firmware;
  settings.historyLimit = ReadHistoryLimit(profile);
  addresses.SetNameResolve(nameResolve == 1);
  return settings;
}

std::uint32_t DetectLocalAddress(AddressService& addresses) {
  NetDatabase& database = addresses.database();
  const std::string host = database.LocalHostName();
  if (!host.empty()) {
    if (auto address = database.AddressOfHost(host);
        address && *address != 0 && !IsLoopback(*address))
      return *address;
  }
  // Host names usually map to a loopback address on this platform: take the
  // first interface that is up and not loopback instead.
  for (const auto& entry : database.Interfaces())
    if (entry.up && !entry.loopback && entry.address != 0 && !IsLoopback(entry.address))
      return entry.address;
  return 0;
}

std::uint32_t DetectNetMask(AddressService& addresses, std::uint32_t localAddress) {
  if (localAddress != 0) {
    for (const auto& entry : addresses.database().Interfaces())
      if (entry.address == localAddress && entry.netmask != 0)
        return entry.netmask;
  }
  return DefaultNetMaskForClass(localAddress);
}

std::uint32_t DefaultNetMaskForClass(std::uint32_t localAddress) {
  if ((localAddress & 0x80000000u) == 0)
    return 0xFF000000u;
  if ((localAddress & 0xC0000000u) == 0x80000000u)
    return 0xFFFF0000u;
  return 0xFFFFFF00u;
}

namespace {

// $<variable>/tarcfg, else ~/<fallback>/tarcfg; empty without either.
std::string XdgDirectory(const char* variable, const char* fallback) {
  if (const char* xdg = std::getenv(variable); xdg && *xdg == '/')
    return std::string(xdg) + "/tarcfg";
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::string(home) + "/" + fallback + "/tarcfg";
  return {};
}

}  // namespace

std::string DefaultFirmwareDirectory(const std::string& currentDirectory) {
  const std::string data = XdgDirectory("XDG_DATA_HOME", ".local/share");
  return data.empty() ? currentDirectory : data + "/firmware";
}

std::string StateDirectory(const std::string& currentDirectory) {
  const std::string state = XdgDirectory("XDG_STATE_HOME", ".local/state");
  return state.empty() ? currentDirectory : state;
}

std::string SettingsFilePath(const std::string& option) {
  if (!option.empty())
    return option;
  if (const char* env = std::getenv("TARCFG_SETTINGS"); env && *env)
    return env;
  std::string directory;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    directory = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    directory = std::string(home) + "/.config";
  } else {
    directory = ".";
  }
  return directory + "/" + kSettingsFileName;
}

}  // namespace tarcfg
