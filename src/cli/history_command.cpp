// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>

#include "cli/cli_text.h"
#include "cli/history_command.h"
#include "cli/history_support.h"
#include "cli/json_writer.h"
#include "cli/session.h"
#include "config/reports.h"

namespace tarcfg::cli {
namespace {

// The hardware address of the ROUTER argument: as given, or found by a scan.
std::optional<std::string> RouterHardwareAddress(CliContext& context, RouterSession& session,
                                                 const QString& argument) {
  std::array<std::uint8_t, 6> bytes{};
  if (ParseHardwareAddress(argument.toStdString(), &bytes))
    return FormatHardwareAddress(bytes);
  if (!context.LoadProtocolDefinitions() || !session.Open())
    return std::nullopt;
  auto target = session.ResolveRouter(argument, true);
  if (!target)
    return std::nullopt;
  return FormatHardwareAddress(target->hardwareAddress);
}

}  // namespace

void HistoryCommand::AddOptions(QCommandLineParser& parser) {
  parser.addPositionalArgument(
      "ROUTER", CliText::tr("Hardware address (no network needed), or an address or host name."),
      "[ROUTER]");
  parser.addOption({"json", CliText::tr("Print a JSON array.")});
  parser.addOption(
      {"git-init",
       CliText::tr("Make the history folder a git repository (no ROUTER): from then on every "
                   "configuration kept is also committed there as <hardware address>.cfg.")});
}

int HistoryCommand::Execute(CliContext& context, const QCommandLineParser& parser) {
  const bool gitInit = parser.isSet("git-init");
  if (gitInit != parser.positionalArguments().isEmpty() || (gitInit && parser.isSet("json"))) {
    PrintError(Say(CliText::tr("usage: %1").arg("tarcfg-cli " + name() + " " + synopsis())));
    return kExitUsage;
  }
  if (gitInit) {
    const ConfigHistory history = SettingsHistory(context);
    const RepositoryInitResult made = history.InitRepository();
    if (!made.ok) {
      PrintError("tarcfg-cli history: " + made.error);
      return kExitFile;
    }
    const QString folder = QString::fromStdString(history.directory());
    std::cout << Say(made.existed ? CliText::tr("The history folder %1 is a git repository "
                                                "already; every configuration kept is committed "
                                                "there.")
                                        .arg(folder)
                                  : CliText::tr("The history folder %1 is a git repository now; "
                                                "every configuration kept is committed there.")
                                        .arg(folder))
              << "\n";
    return kExitOk;
  }
  RouterSession session(context);
  const auto hardware = RouterHardwareAddress(context, session, parser.positionalArguments().at(0));
  if (!hardware)
    return kExitRefused;
  const auto entries = SettingsHistory(context).List(*hardware);
  if (parser.isSet("json")) {
    std::vector<std::string> items;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const HistoryEntry& e = entries[i];
      std::vector<std::string> sending;
      for (const auto& line : e.sending)
        sending.push_back(JsonString(line));
      items.push_back(JsonObject()
                          .Add("index", i + 1)
                          .Add("time", e.time)
                          .Add("file", e.path)
                          .Add("operation", e.operation)
                          .AddRaw("sending", JsonInlineArray(sending))
                          .Add("lineTargets", e.lineTargets)
                          .Add("routes", e.routes)
                          .Add("filters", e.filters)
                          .str());
    }
    std::cout << JsonArrayLines(items);
    return kExitOk;
  }
  if (entries.empty()) {
    std::cout << Say(CliText::tr("No configuration of router %1 has been kept.")
                         .arg(QString::fromStdString(*hardware)))
              << "\n";
    return kExitOk;
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const HistoryEntry& e = entries[i];
    const int changes = static_cast<int>(e.sending.size());
    std::cout << i + 1 << "  " << e.time << "  " << CountsText(e.lineTargets, e.routes, e.filters)
              << "\n   "
              << Say(CliText::tr("before: %1")
                         .arg(QString::fromStdString(e.operation.empty() ? "?" : e.operation)));
    if (changes > 0)
      std::cout << " ("
                << Say(changes == 1 ? CliText::tr("1 change")
                                    : CliText::tr("%n changes", nullptr, changes))
                << ")";
    std::cout << "\n   " << Say(CliText::tr("file:   %1").arg(QString::fromStdString(e.path)))
              << "\n";
  }
  return kExitOk;
}

}  // namespace tarcfg::cli
