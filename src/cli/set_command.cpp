// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>

#include "cli/history_support.h"
#include "cli/router_fields.h"
#include "cli/session.h"
#include "cli/set_command.h"
#include "config/router_changes.h"
#include "config/string_table.h"

namespace tarcfg::cli {
namespace {

std::string MaxCharacters(int count) {
  std::string text = LoadString(61706);
  const auto at = text.find("%1");
  if (at != std::string::npos)
    text.replace(at, 2, std::to_string(count));
  return text;
}

}  // namespace

void SetCommand::AddOptions(QCommandLineParser& parser) {
  RouterCommand::AddOptions(parser);
  AddRouterFieldOptions(parser);
  parser.addOption(
      {"new-password", "The new registration password (at most 10 characters).", "PW"});
  parser.addOption({"exclusive", "Only this host may configure the router."});
  parser.addOption({"no-exclusive", "Any host may configure the router."});
  AddNoHistoryOption(parser);
}

HookResult SetCommand::CheckOptions(CliContext&, const QCommandLineParser& parser) {
  if (parser.isSet("exclusive") && parser.isSet("no-exclusive")) {
    PrintError("tarcfg-cli set: --exclusive and --no-exclusive exclude each other");
    return HookResult::Exit(kExitUsage);
  }
  if (parser.isSet("new-password") &&
      parser.value("new-password").toStdString().size() > kPasswordWireLength) {
    PrintError(MaxCharacters(static_cast<int>(kPasswordWireLength)));
    return HookResult::Exit(kExitUsage);
  }
  return HookResult::Continue();
}

bool SetCommand::NeedsHardwareAddress(CliContext&, const QCommandLineParser&) {
  return true;
}

HookResult SetCommand::Resolved(RouterSession& session, const QCommandLineParser&) {
  if (session.target().address == 0) {
    PrintError("tarcfg-cli set: the router has no IP address yet; use 'firmware' to configure it");
    return HookResult::Exit(kExitRefused);
  }
  return HookResult::Continue();
}

int SetCommand::ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) {
  CliContext& context = session.context();
  // The exclusive right as the scan reported it for this host.
  RouterParameters& current = session.current();
  RouterParameters wanted = current;
  if (!CheckRouterFields(context, parser, wanted, true))
    return kExitUsage;
  if (parser.isSet("new-password"))
    wanted.password = parser.value("new-password").toStdString();
  if (parser.isSet("exclusive"))
    wanted.exclusiveToThisHost = 1;
  if (parser.isSet("no-exclusive"))
    wanted.exclusiveToThisHost = 0;

  const int kind = CompareRouterParameters(current, wanted);
  if (kind == kNoChange) {
    std::cout << "Nothing to change.\n";
    return kExitOk;
  }
  if (!KeepHistoryBeforeWrite(session, parser, "tarcfg-cli set",
                              DescribeRouterParameterChanges(current, wanted)))
    return kExitFile;
  RouterProtocol& protocol = session.protocol();
  bool done = false;
  auto writeParameters = [&] { protocol.WriteRouterParameters([&] { done = true; }, wanted); };
  if (kind == kPasswordChange || kind == kPasswordAndParameterChange) {
    protocol.ChangePassword(
        [&] {
          if (kind == kPasswordAndParameterChange)
            writeParameters();
          else
            done = true;
        },
        wanted.password.view(), current.password.view(), wanted.exclusiveToThisHost != 0);
  } else {
    writeParameters();
  }
  if (!session.RunUntil([&] { return done; }))
    return kExitRefused;
  std::cout << LoadString(40111) << "\n";
  return kExitOk;
}

}  // namespace tarcfg::cli
