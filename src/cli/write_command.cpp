// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/write_command.h"
#include "cli/cli_text.h"
#include "cli/config_transfer.h"
#include "cli/history_support.h"

namespace tarcfg::cli {

void WriteCommand::AddOptions(QCommandLineParser& parser) {
  RouterCommand::AddOptions(parser);
  parser.addPositionalArgument("FILE", CliText::tr("The .cfg file to apply."));
  parser.addOption({"dry-run", CliText::tr("List the entries that would be sent; send nothing.")});
  AddNoHistoryOption(parser);
}

HookResult WriteCommand::CheckFiles(CliContext& context, const QCommandLineParser& parser) {
  return CheckConfigFileLoads(context, parser.positionalArguments().at(1).toStdString())
             ? HookResult::Continue()
             : HookResult::Exit(kExitFile);
}

bool WriteCommand::NeedsHardwareAddress(CliContext& context, const QCommandLineParser& parser) {
  return HistoryWanted(context, parser) && !parser.isSet("dry-run");
}

int WriteCommand::ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) {
  const std::string file = parser.positionalArguments().at(1).toStdString();
  return ApplyConfigFile(session, parser, file, "tarcfg-cli write " + file);
}

}  // namespace tarcfg::cli
