// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_context.h"

#include "cli/cli_text.h"

#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "config/protocol_definitions.h"
#include "config/string_table.h"

namespace tarcfg::cli {

CliContext::CliContext(const QString& settingsOption, DatagramSocket& socket, Driver& driver)
    : settingsPath_(SettingsFilePath(settingsOption.toStdString())),
      socket_(socket),
      driver_(driver) {}

void CliContext::LoadSettings(SettingsRepair repair) {
  ProfileFile profile(settingsPath_);
  std::error_code error;
  const std::string cwd = std::filesystem::current_path(error).string();
  settings_ = LoadGuiSettings(profile, addresses_, DefaultFirmwareDirectory(cwd), repair);
}

bool CliContext::LoadProtocolDefinitions() {
  // The reader's diagnostic traces are for the desktop tool's console; here
  // standard output belongs to the command's own output.
  std::FILE* sink = std::fopen("/dev/null", "w");
  const ProtocolDefinitionResult result =
      ReadProtocolDefinitions(settings_.firmwarePath, tables_, sink ? sink : stdout);
  if (sink)
    std::fclose(sink);
  if (result.ok)
    return true;
  const std::string file = (std::filesystem::path(settings_.firmwarePath) / "tarcfg.pro").string();
  if (result.column != 0)
    PrintError(Problem(file, FormatString(40010, result.line, result.column)));
  else
    PrintError(Problem(file, FormatString(40011, result.line)));
  return false;
}

std::string OneLine(std::string_view text) {
  std::string out;
  bool pendingBlank = false;
  for (const char c : text) {
    if (c == '\n' || c == '\r') {
      while (!out.empty() && out.back() == ' ')
        out.pop_back();
      pendingBlank = true;
      continue;
    }
    if (pendingBlank && c == ' ')
      continue;
    if (pendingBlank && !out.empty())
      out += ' ';
    pendingBlank = false;
    out += c;
  }
  return out;
}

std::string CountsText(int lineTargets, int routes, int filters) {
  return Say(lineTargets == 1 ? CliText::tr("1 line target")
                              : CliText::tr("%n line targets", nullptr, lineTargets)) +
         ", " +
         Say(routes == 1 ? CliText::tr("1 route") : CliText::tr("%n routes", nullptr, routes)) +
         ", " +
         Say(filters == 1 ? CliText::tr("1 filter") : CliText::tr("%n filters", nullptr, filters));
}

std::string Problem(std::string_view what, std::string_view why) {
  std::string message = "tarcfg-cli: ";
  if (!what.empty())
    message.append(what).append(": ");
  return message + OneLine(why);
}

void PrintError(const std::string& message) {
  std::cerr << message;
  if (message.empty() || message.back() != '\n')
    std::cerr << '\n';
  std::cerr.flush();
}

}  // namespace tarcfg::cli
