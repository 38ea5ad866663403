// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/connect_command.h"
#include "cli/cli_text.h"
#include "cli/session.h"

namespace tarcfg::cli {

void ConnectCommand::AddOptions(QCommandLineParser& parser) {
  RouterCommand::AddOptions(parser);
  parser.addPositionalArgument("POSITION", CliText::tr("The line target's position, from 1."));
}

HookResult ConnectCommand::CheckOptions(CliContext&, const QCommandLineParser& parser) {
  bool numeric = false;
  const int position = parser.positionalArguments().at(1).toInt(&numeric);
  if (!numeric || position < 1) {
    PrintError("tarcfg-cli connect: " + Say(CliText::tr("POSITION is a number from 1")));
    return HookResult::Exit(kExitUsage);
  }
  return HookResult::Continue();
}

int ConnectCommand::ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) {
  const int position = parser.positionalArguments().at(1).toInt();
  if (position > session.configuration().lineTargets.count()) {
    const int count = session.configuration().lineTargets.count();
    PrintError("tarcfg-cli connect: " +
               Say(count == 1 ? CliText::tr("the router has 1 line target")
                              : CliText::tr("the router has %n line targets", nullptr, count)));
    return kExitUsage;
  }
  session.protocol().ConnectLineTarget(position - 1);
  if (!session.RunUntil([&] { return !session.protocol().requestOutstanding(); }, 30))
    return kExitRefused;
  return kExitOk;
}

}  // namespace tarcfg::cli
