// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/disconnect_command.h"
#include "cli/cli_text.h"
#include "cli/session.h"

namespace tarcfg::cli {

void DisconnectCommand::AddOptions(QCommandLineParser& parser) {
  RouterCommand::AddOptions(parser);
  parser.addPositionalArgument("CHANNEL", CliText::tr("1 or 2."));
}

HookResult DisconnectCommand::CheckOptions(CliContext&, const QCommandLineParser& parser) {
  const QString channel = parser.positionalArguments().at(1);
  if (channel != "1" && channel != "2") {
    PrintError("tarcfg-cli disconnect: " + Say(CliText::tr("the channel is 1 or 2")));
    return HookResult::Exit(kExitUsage);
  }
  return HookResult::Continue();
}

int DisconnectCommand::ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) {
  session.protocol().DisconnectChannel(parser.positionalArguments().at(1).toInt());
  if (!session.RunUntil([&] { return !session.protocol().requestOutstanding(); }, 30))
    return kExitRefused;
  return kExitOk;
}

}  // namespace tarcfg::cli
