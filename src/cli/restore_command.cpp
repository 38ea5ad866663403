// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/restore_command.h"
#include "cli/cli_text.h"
#include "cli/config_transfer.h"
#include "cli/history_support.h"
#include "config/reports.h"

namespace tarcfg::cli {

void RestoreCommand::AddOptions(QCommandLineParser& parser) {
  RouterCommand::AddOptions(parser);
  parser.addPositionalArgument("FILE", CliText::tr("The .cfg file to write back."), "[FILE]");
  parser.addOption({"last", CliText::tr("The newest configuration of the router's history.")});
  parser.addOption(
      {"index", CliText::tr("The Nth configuration as 'history' numbers them (1 = newest)."), "N"});
  parser.addOption({"dry-run", CliText::tr("List the entries that would be sent; send nothing.")});
  AddNoHistoryOption(parser);
}

HookResult RestoreCommand::CheckOptions(CliContext&, const QCommandLineParser& parser) {
  const QStringList arguments = parser.positionalArguments();
  const int sources = (arguments.size() > 1 ? 1 : 0) + (parser.isSet("last") ? 1 : 0) +
                      (parser.isSet("index") ? 1 : 0);
  if (sources != 1) {
    PrintError("tarcfg-cli restore: " +
               Say(CliText::tr("give exactly one of FILE, --last and --index N")));
    return HookResult::Exit(kExitUsage);
  }
  if (parser.isSet("index")) {
    bool ok = false;
    const int index = parser.value("index").toInt(&ok);
    if (!ok || index < 1) {
      PrintError("tarcfg-cli restore: " + Say(CliText::tr("--index needs a number from 1 up")));
      return HookResult::Exit(kExitUsage);
    }
  }
  return HookResult::Continue();
}

HookResult RestoreCommand::CheckFiles(CliContext& context, const QCommandLineParser& parser) {
  // A kept version is found by the router's hardware address, after the scan.
  const QStringList arguments = parser.positionalArguments();
  if (arguments.size() > 1 && !CheckConfigFileLoads(context, arguments.at(1).toStdString()))
    return HookResult::Exit(kExitFile);
  return HookResult::Continue();
}

bool RestoreCommand::NeedsHardwareAddress(CliContext&, const QCommandLineParser&) {
  return true;
}

HookResult RestoreCommand::Resolved(RouterSession& session, const QCommandLineParser& parser) {
  const QStringList arguments = parser.positionalArguments();
  const int index = parser.isSet("index") ? parser.value("index").toInt() : 1;
  if (arguments.size() > 1) {
    path_ = arguments.at(1).toStdString();
  } else {
    const std::string hardware = FormatHardwareAddress(session.target().hardwareAddress);
    const auto entries = SettingsHistory(session.context()).List(hardware);
    if (entries.size() < static_cast<std::size_t>(index)) {
      PrintError(FewerKeptProblem(hardware, entries.size()));
      return HookResult::Exit(kExitFile);
    }
    path_ = entries[static_cast<std::size_t>(index) - 1].path;
  }
  return HookResult::Continue();
}

int RestoreCommand::ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) {
  return ApplyConfigFile(session, parser, path_, "tarcfg-cli restore " + path_);
}

}  // namespace tarcfg::cli
