// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/firmware_files.h"

#include <algorithm>
#include <filesystem>

#include "config/operating_modes.h"

namespace tarcfg {

const char* FirmwarePrefix(int dChannelProtocol) {
  return SwitchedMode(dChannelProtocol).firmwarePrefix;
}

std::vector<FirmwareFileEntry> ListFirmwareFiles(const std::string& directory,
                                                 const std::string& prefix) {
  namespace fs = std::filesystem;
  std::vector<FirmwareFileEntry> entries;
  std::error_code error;
  fs::directory_iterator it(directory.empty() ? "." : directory, error);
  if (error)
    return entries;
  for (const auto& item : it) {
    const std::string name = item.path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0)
      continue;
    std::error_code status;
    if (!item.is_regular_file(status))
      continue;
    const auto time = item.last_write_time(status);
    if (status)
      continue;
    // The key is the write time in 100 ns units shifted right by 23 bits.
    const auto ticks =
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count() / 100;
    entries.push_back({name, name.substr(prefix.size()),
                       static_cast<std::uint32_t>(static_cast<std::uint64_t>(ticks) >> 23)});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    if (a.writeTimeKey != b.writeTimeKey)
      return a.writeTimeKey > b.writeTimeKey;
    return a.version > b.version;
  });
  return entries;
}

std::string NewestFirmwareVersion(const std::string& directory, int dChannelProtocol) {
  const auto entries = ListFirmwareFiles(directory, FirmwarePrefix(dChannelProtocol));
  return entries.empty() ? std::string() : entries.front().version;
}

}  // namespace tarcfg
