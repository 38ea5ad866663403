// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>
#include <iterator>
#include <optional>

#include "cli/accounting_command.h"
#include "cli/cli_text.h"
#include "cli/json_writer.h"
#include "cli/session.h"
#include "config/reports.h"

namespace tarcfg::cli {

void AccountingCommand::AddOptions(QCommandLineParser& parser) {
  RouterCommand::AddOptions(parser);
  parser.addOption({"reset", CliText::tr("Read and reset the counters.")});
  parser.addOption({"json", CliText::tr("Print a JSON array.")});
  parser.addOption({"csv", CliText::tr("Print CSV with a header row.")});
}

HookResult AccountingCommand::CheckOptions(CliContext&, const QCommandLineParser& parser) {
  if (parser.isSet("json") && parser.isSet("csv")) {
    PrintError("tarcfg-cli accounting: " + Say(CliText::tr("--json and --csv exclude each other")));
    return HookResult::Exit(kExitUsage);
  }
  return HookResult::Continue();
}

int AccountingCommand::ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) {
  std::optional<LineTargetList> result;
  auto done = [&](LineTargetList& list) { result = list.Clone(); };
  const LineTargetList& targets = session.configuration().lineTargets;
  if (parser.isSet("reset"))
    session.protocol().ReadAndResetAccounting(done, &targets);
  else
    session.protocol().ReadAccounting(done, &targets);
  if (!session.RunUntil([&] { return result.has_value(); }))
    return kExitRefused;

  if (parser.isSet("csv")) {
    std::cout << AccountingCsv(*result, "\n");
  } else if (parser.isSet("json")) {
    std::vector<std::string> items;
    for (const auto& t : *result) {
      JsonObject item;
      item.Add("hostName", t.hostName.str()).Add("phoneNumber", t.phoneNumber.str());
      for (std::size_t i = 0; i < std::size(kAccountingCounterNames); ++i)
        item.Add(kAccountingCounterNames[i], t.accountingCounters[i]);
      items.push_back(item.str());
    }
    std::cout << JsonArrayLines(items);
  } else {
    std::string text;
    for (const auto& t : *result)
      text += AccountingBlock(t);
    std::cout << UnixLineEnds(text);
  }
  return kExitOk;
}

}  // namespace tarcfg::cli
