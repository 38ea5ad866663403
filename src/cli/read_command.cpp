// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>

#include "cli/cli_text.h"
#include "cli/config_transfer.h"
#include "cli/read_command.h"
#include "cli/session.h"

namespace tarcfg::cli {
namespace {

void WarnUndefinedProtocols(const Configuration& configuration) {
  int undefined = 0;
  for (const auto& target : configuration.lineTargets)
    if (target.layer2Protocol == kNoProtocol)
      ++undefined;
  if (undefined)
    PrintError(
        "tarcfg-cli: " +
        Say(undefined == 1
                ? CliText::tr("1 line target uses a layer-2 protocol missing from tarcfg.pro and "
                              "is left out")
                : CliText::tr("%n line targets use a layer-2 protocol missing from tarcfg.pro "
                              "and are left out",
                              nullptr, undefined)));
}

}  // namespace

void ReadCommand::AddOptions(QCommandLineParser& parser) {
  RouterCommand::AddOptions(parser);
  parser.addOption(
      {{"o", "output"}, CliText::tr("The file to write (default: standard output)."), "FILE"});
}

int ReadCommand::ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) {
  WarnUndefinedProtocols(session.configuration());
  const bool saved = SaveConfiguration(session, parser.value("output").toStdString());
  return saved ? kExitOk : kExitFile;
}

}  // namespace tarcfg::cli
