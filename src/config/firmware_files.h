// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware images in the firmware directory: "fw_1tr6.<version>" for
// 1TR6 and "fw_dss1.<version>" for DSS1, newest first by last-write time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarcfg {

struct FirmwareFileEntry {
  std::string fileName;
  std::string version;
  std::uint32_t writeTimeKey = 0;  // last-write time in units of about 0.84 s
};

// "fw_1tr6." for protocol 0, "fw_dss1." for any other.
const char* FirmwarePrefix(int dChannelProtocol);

// Regular files of `directory` whose names start with `prefix`, newest first.
std::vector<FirmwareFileEntry> ListFirmwareFiles(const std::string& directory,
                                                 const std::string& prefix);

// The version of the newest file for the protocol, or "".
std::string NewestFirmwareVersion(const std::string& directory, int dChannelProtocol);

}  // namespace tarcfg
