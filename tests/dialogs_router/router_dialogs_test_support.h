// SPDX-License-Identifier: GPL-3.0-or-later
// The router dialog tests' fixture: the shell test's fresh context and
// emulated routers, plus firmware files in the firmware directory.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "config/operating_modes.h"
#include "dialogs/install_dialogs.h"
#include "shell/shell_test_support.h"
#include "sim/loaded_image.h"

namespace tarcfg::testing {

class RouterDialogsTest : public ShellTest {
 protected:
  // A usable image "<prefix><version>" of the switched mode whose firmware
  // prefix starts the name (DSS1's for another name), last written
  // `ageSeconds` ago.
  void WriteFirmware(const std::string& fileName, int ageSeconds) {
    const OperatingModeEntry* mode = &SwitchedMode(1);
    for (const auto& entry : kOperatingModes)
      if (*entry.firmwarePrefix != '\0' && fileName.rfind(entry.firmwarePrefix, 0) == 0)
        mode = &entry;
    const std::string version = fileName.substr(std::string_view(mode->firmwarePrefix).size());
    const auto protocol = static_cast<std::uint8_t>(mode->dChannelProtocol);
    WriteFile(fileName, tarnex_sim::MakeImage(version, protocol, tarnex_sim::kMinimumImageSize));
    std::filesystem::last_write_time(
        directory_ / fileName,
        std::filesystem::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
  }
  void WriteFile(const std::string& fileName, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(directory_ / fileName, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
};

}  // namespace tarcfg::testing
