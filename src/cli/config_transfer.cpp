// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <functional>
#include <iostream>

#include "cli/config_transfer.h"
#include "cli/history_support.h"
#include "config/reports.h"

namespace tarcfg::cli {
namespace {

template <class Record>
void AppendChanges(std::vector<std::string>& lines, const char* table,
                   const RecordList<Record>& edited, const RecordList<Record>& saved,
                   const std::function<std::string(const Record&)>& text) {
  for (const auto& change : ComputeTableChanges(edited, saved))
    lines.push_back(std::string(table) + " " + std::to_string(change.position + 1) +
                    (change.deleted ? " deleted: " : " written: ") + text(change.record));
}

// The entries a write of `working` over `saved` sends, one line each.
std::vector<std::string> DescribeChanges(CliContext& context, const Configuration& working,
                                         const Configuration& saved) {
  std::vector<std::string> lines;
  AddressService& a = context.addresses();
  AppendChanges<LineTarget>(lines, "line target", working.lineTargets, saved.lineTargets,
                            [&](const LineTarget& t) {
                              const auto* l2 = context.tables().Layer2At(t.layer2Protocol);
                              return t.hostName.str() + " " + t.phoneNumber.str() + " " +
                                     (l2 ? l2->name.str() : std::string("?"));
                            });
  AppendChanges<RouteEntry>(lines, "route", working.routes, saved.routes, [](const RouteEntry& r) {
    return r.netmask.str() + " " + r.match.str() + " " + r.gateway.str();
  });
  AppendChanges<FilterEntry>(
      lines, "filter", working.filters, saved.filters, [&](const FilterEntry& f) {
        return f.sendNetmask.str() + " " + f.sendMatch.str() + " " + f.receiveNetmask.str() + " " +
               f.receiveMatch.str() + " " + FilterServiceText(f, a.database()) + " " +
               std::to_string(f.action);
      });
  return lines;
}

}  // namespace

ConfigContext FileContext(CliContext& context) {
  return ConfigContext{context.tables(), context.addresses(), context.database()};
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
    PrintError(ConfigWriteMessage(written));
    return false;
  }
  return true;
}

int ApplyConfigFile(RouterSession& session, const QCommandLineParser& parser,
                    const std::string& path, const std::string& operation) {
  CliContext& context = session.context();
  Configuration& working = session.configuration();
  std::FILE* sink = std::fopen("/dev/null", "w");
  const ConfigReadResult read = ReadConfigFile(path, session.current().permanentConnection,
                                               FileContext(context), working, sink ? sink : stderr);
  if (sink)
    std::fclose(sink);
  if (read.code != kConfigOk) {
    PrintError(ConfigReadMessage(read));
    return kExitFile;
  }
  const Configuration& saved = session.saved();
  const std::vector<std::string> changes = DescribeChanges(context, working, saved);
  if (parser.isSet("dry-run")) {
    for (const auto& line : changes)
      std::cout << line << "\n";
    return kExitOk;
  }
  // Nothing to send, nothing to lose: no history then.
  if (!changes.empty() && !KeepHistoryBeforeWrite(session, parser, operation, changes))
    return kExitFile;
  int sent = -1;
  session.protocol().WriteConfiguration(working.lineTargets, saved.lineTargets, &working.routes,
                                        &saved.routes, &working.filters, &saved.filters,
                                        [&](int messages) { sent = messages; });
  if (!session.RunUntil([&] { return sent >= 0; }))
    return kExitRefused;
  std::cout << sent << " entries sent\n";
  return kExitOk;
}

}  // namespace tarcfg::cli
