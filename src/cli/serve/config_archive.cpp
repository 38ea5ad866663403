// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/config_archive.h"

#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

#include "cli/serve/registration_cycle.h"
#include "config/reports.h"
#include "config/write_plan.h"

namespace tarcfg::serve {
namespace {

// "2024-05-01T12:00:00Z" as Unix time.
std::optional<double> UnixTime(const std::string& text) {
  std::tm time{};
  if (::strptime(text.c_str(), "%Y-%m-%dT%H:%M:%SZ", &time) == nullptr)
    return std::nullopt;
  return static_cast<double>(::timegm(&time));
}

std::optional<double> LastChange(const std::vector<HistoryEntry>& entries) {
  for (const HistoryEntry& entry : entries)
    if (entry.operation == kChangedElsewhere)
      return UnixTime(entry.time);
  return std::nullopt;
}

// The newest version's tables; false (with the reader's message) when the
// file does not load.
bool LoadVersion(const HistoryEntry& entry, const RouterParameters& router,
                 const ConfigContext& context, Configuration& kept, std::string* error) {
  // The reader's trace lines are of no use to a service.
  std::FILE* sink = std::fopen("/dev/null", "w");
  const ConfigReadResult result =
      ReadConfigFile(entry.path, router.permanentConnection, context, kept, sink ? sink : stderr);
  if (sink)
    std::fclose(sink);
  if (result.code == kConfigOk) {
    // The positions the router's table holds them at, as a read gives them.
    NumberTablePositions(kept.lineTargets);
    NumberTablePositions(kept.routes);
    NumberTablePositions(kept.filters);
    return true;
  }
  *error = OneLine(ConfigReadMessage(result));
  return false;
}

}  // namespace

ConfigArchive::ConfigArchive(ConfigHistory history, ConfigContext context)
    : history_(std::move(history)), context_(context) {}

ArchiveResult ConfigArchive::Archive(const HardwareAddress& hardware, const Configuration& read,
                                     const RouterParameters& router) const {
  ArchiveResult result;
  const std::string name = FormatHardwareAddress(hardware);
  std::vector<HistoryEntry> entries = history_.List(name);
  HistoryNote note{router.name.str(), kArchivedByServe, {}, {}};
  Configuration kept;
  std::string loadError;
  if (!entries.empty() && !LoadVersion(entries.front(), router, context_, kept, &loadError)) {
    note.differences.push_back("the version kept before does not load: " + loadError);
  } else if (!entries.empty()) {
    // What writing the configuration read over the version kept would send:
    // the differences, in the words a write's note uses.
    // A loaded file always closes its filters with a default entry (the
    // reader adds one), so the tables read are compared as a file holds them.
    Configuration compared = read.Clone();
    EnsureDefaultFilter(compared.filters);
    const PlanTexts texts{context_.tables, context_.database};
    const std::vector<std::string> differences =
        DescribeWritePlan(PlanConfigurationWrite(compared, kept), texts);
    if (differences.empty()) {
      result.ok = true;
      result.versions = static_cast<int>(entries.size());
      result.lastChange = LastChange(entries);
      return result;
    }
    const HistoryEntry& newest = entries.front();
    if (!newest.sending.empty() && newest.sending == differences) {
      note.operation = "as written by " + newest.operation;
    } else {
      note.operation = kChangedElsewhere;
      result.changedElsewhere = true;
    }
    note.differences = differences;
  }
  const HistoryKeepResult keep =
      history_.Keep(name, read.lineTargets, read.routes, read.filters, router, context_, note);
  if (!keep.ok) {
    result.error = keep.error;
    return result;
  }
  entries = history_.List(name);
  result.ok = true;
  result.kept = true;
  result.versions = static_cast<int>(entries.size());
  result.lastChange = LastChange(entries);
  return result;
}

}  // namespace tarcfg::serve
