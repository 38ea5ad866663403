// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/router_command.h"

#include "cli/cli_text.h"
#include "config/reports.h"

namespace tarcfg::cli {

void RouterCommand::AddOptions(QCommandLineParser& parser) {
  AddRouterArguments(parser);
}

HookResult RouterCommand::CheckOptions(CliContext&, const QCommandLineParser&) {
  return HookResult::Continue();
}

HookResult RouterCommand::CheckFiles(CliContext&, const QCommandLineParser&) {
  return HookResult::Continue();
}

bool RouterCommand::NeedsHardwareAddress(CliContext&, const QCommandLineParser&) {
  return false;
}

HookResult RouterCommand::Resolved(RouterSession&, const QCommandLineParser&) {
  return HookResult::Continue();
}

int RouterCommand::Execute(CliContext& context, const QCommandLineParser& parser) {
  if (const HookResult checked = CheckOptions(context, parser); checked.exits())
    return checked.exitCode();
  if (!context.LoadProtocolDefinitions())
    return kExitFile;
  if (const HookResult checked = CheckFiles(context, parser); checked.exits())
    return checked.exitCode();
  RouterSession session(context);
  if (!session.Open())
    return kExitRefused;
  const auto target = session.ResolveRouter(parser.positionalArguments().at(0),
                                            NeedsHardwareAddress(context, parser));
  if (!target)
    return kExitRefused;
  const HookResult resolved = Resolved(session, parser);
  if (resolved.exits())
    return resolved.exitCode();
  if (resolved.registers() && target->address == 0) {
    // A router in its loader answers the scan but cannot be registered with:
    // a registration would only wait for its time-out.
    PrintError(Problem(FormatHardwareAddress(target->hardwareAddress),
                       Say(CliText::tr("the router is in its loader and has no IP address; it "
                                       "cannot be registered with"))));
    return kExitRefused;
  }
  if (resolved.registers() && !session.RegisterAndLoad(*target, PasswordArgument(parser))) {
    // Refused, failed or stopped (at the password prompt too): a candidate
    // that may yet take this host is released.
    session.Deregister();
    return kExitRefused;
  }
  const int result = ExecuteRegistered(session, parser);
  session.Deregister();
  return result;
}

}  // namespace tarcfg::cli
