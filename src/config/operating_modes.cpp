// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/operating_modes.h"

#include <cctype>

namespace tarcfg {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The entry of a permanent connection 1..3, or nullptr.
const OperatingModeEntry* PermanentMode(int permanentConnection) {
  for (const auto& mode : kOperatingModes)
    if (mode.permanentConnection != 0 && mode.permanentConnection == permanentConnection)
      return &mode;
  return nullptr;
}

}  // namespace

const OperatingModeEntry* FindOperatingMode(std::string_view name) {
  for (const auto& mode : kOperatingModes)
    if (SameIgnoringCase(name, mode.name))
      return &mode;
  return nullptr;
}

const char* DChannelProtocolName(int dChannelProtocol) {
  return kOperatingModes[dChannelProtocol != 0 ? 1 : 0].name;
}

const char* PermanentConnectionName(int permanentConnection) {
  const OperatingModeEntry* mode = PermanentMode(permanentConnection);
  return mode ? mode->displayName : "";
}

const char* OperatingModeLabel(int permanentConnection) {
  if (permanentConnection == 0)
    return kOperatingModes[0].label;
  const OperatingModeEntry* mode = PermanentMode(permanentConnection);
  return mode ? mode->label : "unknown";
}

}  // namespace tarcfg
