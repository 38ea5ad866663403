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

// The rules of a permanent-connection value the table does not know: it
// does not dial, carries no tables and has no name.
constexpr OperatingModeEntry kUnknownConnection{"",
                                                "",
                                                "unknown",
                                                kKeepDChannelProtocol,
                                                -1,
                                                "",
                                                PhoneNumberRule::kNotUsed,
                                                kMaxLineTargetsPermanent,
                                                false};

const OperatingModeEntry& ModeOfConnection(int permanentConnection) {
  if (permanentConnection == 0)
    return SwitchedMode(0);
  const OperatingModeEntry* mode = FindPermanentMode(permanentConnection);
  return mode ? *mode : kUnknownConnection;
}

}  // namespace

const OperatingModeEntry* FindOperatingMode(std::string_view name) {
  for (const auto& mode : kOperatingModes)
    if (SameIgnoringCase(name, mode.name))
      return &mode;
  return nullptr;
}

const OperatingModeEntry& SwitchedMode(int dChannelProtocol) {
  const int wanted = dChannelProtocol != 0 ? 1 : 0;
  for (const auto& mode : kOperatingModes)
    if (mode.permanentConnection == 0 && mode.dChannelProtocol == wanted)
      return mode;
  return kOperatingModes.front();
}

const OperatingModeEntry* FindPermanentMode(int permanentConnection) {
  for (const auto& mode : kOperatingModes)
    if (mode.permanentConnection != 0 && mode.permanentConnection == permanentConnection)
      return &mode;
  return nullptr;
}

const OperatingModeEntry* RouterOperatingMode(int dChannelProtocol, int permanentConnection) {
  if (permanentConnection == 0)
    return &SwitchedMode(dChannelProtocol);
  return FindPermanentMode(permanentConnection);
}

int OperatingModeIndex(const OperatingModeEntry& mode) {
  return static_cast<int>(&mode - kOperatingModes.data());
}

std::string OperatingModeNames(std::string_view separator, std::string_view last) {
  std::string names;
  for (std::size_t i = 0; i < kOperatingModes.size(); ++i) {
    if (i > 0)
      names += i + 1 == kOperatingModes.size() ? last : separator;
    names += kOperatingModes[i].name;
  }
  return names;
}

const char* DChannelProtocolName(int dChannelProtocol) {
  return SwitchedMode(dChannelProtocol).name;
}

const char* PermanentConnectionName(int permanentConnection) {
  const OperatingModeEntry* mode = FindPermanentMode(permanentConnection);
  return mode ? mode->displayName : "";
}

const char* OperatingModeLabel(int permanentConnection) {
  return ModeOfConnection(permanentConnection).label;
}

PhoneNumberRule PhoneNumberRuleOf(int permanentConnection) {
  return ModeOfConnection(permanentConnection).phoneNumber;
}

int LineTargetLimit(int permanentConnection) {
  return ModeOfConnection(permanentConnection).maxLineTargets;
}

bool DownloadCarriesTables(int permanentConnection) {
  return ModeOfConnection(permanentConnection).downloadCarriesTables;
}

}  // namespace tarcfg
