// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/cli_text.h"
#include "cli/config_transfer.h"
#include "cli/history_support.h"
#include "config/reports.h"
#include "config/write_plan.h"

namespace tarcfg::cli {

ConfigContext FileContext(CliContext& context) {
  return ConfigContext{context.tables(), context.addresses(), context.database()};
}

std::string FileReadProblem(const std::string& path, const ConfigReadResult& result) {
  if (result.code == kConfigCannotOpen)
    return Problem(path, Say(CliText::tr("cannot open file: %1")
                                 .arg(QString::fromLocal8Bit(std::strerror(result.openErrno)))));
  return Problem(path, ConfigReadMessage(result));
}

std::string FileWriteProblem(const std::string& path, const ConfigWriteResult& result) {
  return Problem(
      path, Say(CliText::tr("cannot write file: %1").arg(QString::fromStdString(result.reason))));
}

bool CheckConfigFileLoads(CliContext& context, const std::string& path) {
  Configuration scratch;
  const ConfigReadResult read = ReadConfigFileQuietly(path, 0, FileContext(context), scratch);
  if (read.code == kConfigOk)
    return true;
  PrintError(FileReadProblem(path, read));
  return false;
}

// Writes a configuration read from a router; "-" or empty is standard output.
bool SaveConfiguration(RouterSession& session, const std::string& path) {
  const ConfigContext files = FileContext(session.context());
  const Configuration& c = session.configuration();
  if (path.empty() || path == "-") {
    std::cout << FormatConfigFile(c.lineTargets, c.routes, c.filters, session.current(), files);
    std::cout.flush();
    return true;
  }
  const ConfigWriteResult written =
      WriteConfigFile(path, c.lineTargets, c.routes, c.filters, session.current(), files);
  if (!written) {
    PrintError(FileWriteProblem(path, written));
    return false;
  }
  return true;
}

int ApplyConfigFile(RouterSession& session, const QCommandLineParser& parser,
                    const std::string& path, const std::string& operation) {
  CliContext& context = session.context();
  Configuration& working = session.configuration();
  const ConfigReadResult read = ReadConfigFileQuietly(path, session.current().permanentConnection,
                                                      FileContext(context), working);
  if (read.code != kConfigOk) {
    PrintError(FileReadProblem(path, read));
    return kExitFile;
  }
  const WritePlan plan = PlanConfigurationWrite(working, session.saved());
  const PlanTexts texts{context.tables(), context.addresses().database()};
  const std::vector<std::string> changes = DescribeWritePlan(plan, texts);
  if (parser.isSet("dry-run")) {
    for (const auto& line : changes)
      std::cout << line << "\n";
    return kExitOk;
  }
  // Nothing to send, nothing to lose: no history then.
  if (!changes.empty() && !KeepHistoryBeforeWrite(session, parser, operation, changes))
    return kExitFile;
  int sent = -1;
  session.protocol().WriteConfiguration(plan, [&](int messages) { sent = messages; });
  if (!session.RunUntil([&] { return sent >= 0; })) {
    // The router may now hold part of the file: say which part.
    for (const std::string& line :
         DescribeWriteFailure(plan, session.protocol().writeProgress(), texts))
      std::cerr << line << "\n";
    return kExitRefused;
  }
  std::cout << Say(sent == 1 ? CliText::tr("1 entry sent")
                             : CliText::tr("%n entries sent", nullptr, sent))
            << "\n";
  return kExitOk;
}

}  // namespace tarcfg::cli
