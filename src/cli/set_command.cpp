// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "cli/cli_text.h"
#include "cli/history_support.h"
#include "cli/password_input.h"
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

// Whether `word`, after --new-password, is another option rather than its
// value. A password that starts with "--" is given as --new-password=PW.
bool IsOptionWord(const QString& word) {
  return word.startsWith("--") || word == "-p" || word == "-h" || word == "-?";
}

// The new password of --new-password given without a value: from
// $TARCFG_NEW_PASSWORD, else typed twice on the terminal. Prints why not.
std::optional<std::string> AskNewPassword() {
  if (const char* env = std::getenv("TARCFG_NEW_PASSWORD"))
    return std::string(env);
  if (!::isatty(STDIN_FILENO)) {
    PrintError("tarcfg-cli set: " +
               Say(CliText::tr("--new-password needs the password: set TARCFG_NEW_PASSWORD, give "
                               "'--new-password -' to read it from standard input, or run on a "
                               "terminal")));
    return std::nullopt;
  }
  const auto first = PromptSecret(Say(CliText::tr("New Password: ")));
  if (!first)
    return std::nullopt;
  const auto second = PromptSecret(Say(CliText::tr("Confirm Password: ")));
  if (!second)
    return std::nullopt;
  if (*first != *second) {
    PrintError(LoadString(40106));
    return std::nullopt;
  }
  return first;
}

}  // namespace

QStringList SetCommand::AdjustArguments(const QStringList& arguments) {
  QStringList adjusted;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--")
      return adjusted + arguments.mid(i);
    if (arguments[i] == "--new-password" &&
        (i + 1 == arguments.size() || IsOptionWord(arguments[i + 1]))) {
      newPasswordAsked_ = true;
      continue;
    }
    adjusted += arguments[i];
  }
  return adjusted;
}

void SetCommand::AddOptions(QCommandLineParser& parser) {
  RouterCommand::AddOptions(parser);
  AddRouterFieldOptions(parser);
  parser.addOption(
      {"new-password",
       CliText::tr("Change the registration password (at most 10 characters). Without a value: "
                   "from $TARCFG_NEW_PASSWORD, else typed twice at a prompt on a terminal; '-': "
                   "one line of standard input; any other value is the password itself, "
                   "visible to other users of this host."),
       "PW"});
  parser.addOption({"exclusive", CliText::tr("Only this host may configure the router.")});
  parser.addOption({"no-exclusive", CliText::tr("Any host may configure the router.")});
  AddNoHistoryOption(parser);
}

HookResult SetCommand::CheckOptions(CliContext&, const QCommandLineParser& parser) {
  if (parser.isSet("exclusive") && parser.isSet("no-exclusive")) {
    PrintError("tarcfg-cli set: " +
               Say(CliText::tr("--exclusive and --no-exclusive exclude each other")));
    return HookResult::Exit(kExitUsage);
  }
  if (newPasswordAsked_ && parser.isSet("new-password")) {
    PrintError("tarcfg-cli set: " + Say(CliText::tr("--new-password given twice")));
    return HookResult::Exit(kExitUsage);
  }
  // The new password is had before anything goes out: no registration
  // waits for the typing.
  if (newPasswordAsked_)
    newPassword_ = AskNewPassword();
  else if (parser.isSet("new-password") && parser.value("new-password") == "-")
    newPassword_ = ReadStandardInputLine();
  else if (parser.isSet("new-password"))
    newPassword_ = parser.value("new-password").toStdString();
  else
    return HookResult::Continue();
  if (!newPassword_)
    return HookResult::Exit(kExitUsage);
  if (newPassword_->size() > kPasswordWireLength) {
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
    PrintError(
        "tarcfg-cli set: " +
        Say(CliText::tr("the router has no IP address yet; use 'firmware' to configure it")));
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
  if (newPassword_)
    wanted.password = *newPassword_;
  if (parser.isSet("exclusive"))
    wanted.exclusiveToThisHost = 1;
  if (parser.isSet("no-exclusive"))
    wanted.exclusiveToThisHost = 0;

  const int kind = CompareRouterParameters(current, wanted);
  if (kind == kNoChange) {
    std::cout << Say(CliText::tr("Nothing to change.")) << "\n";
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
