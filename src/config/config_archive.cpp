// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/config_archive.h"

#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

#include "config/config_comparison.h"
#include "config/reports.h"
#include "config/string_table.h"
#include "config/write_plan.h"

namespace tarcfg {
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
  const ConfigReadResult result =
      ReadConfigFileQuietly(entry.path, router.permanentConnection, context, kept);
  if (result.code == kConfigOk) {
    // The positions the router's table holds them at, as a read gives them.
    NumberTablePositions(kept.lineTargets);
    NumberTablePositions(kept.routes);
    NumberTablePositions(kept.filters);
    return true;
  }
  *error = MessageOnOneLine(ConfigReadMessage(result));
  return false;
}

}  // namespace

ConfigArchive::ConfigArchive(ConfigHistory history, ConfigContext context,
                             std::string firstOperation)
    : history_(std::move(history)), context_(context), firstOperation_(std::move(firstOperation)) {}

ArchiveResult ConfigArchive::Archive(const std::string& name, const Configuration& read,
                                     const RouterParameters& router) const {
  HistoryNote note;
  note.routerName = router.name.str();
  return Archive(name, read, router, std::move(note));
}

ArchiveResult ConfigArchive::Archive(const std::string& name, const Configuration& read,
                                     const RouterParameters& router, HistoryNote note) const {
  ArchiveResult result;
  std::vector<HistoryEntry> entries = history_.List(name);
  note.operation = firstOperation_;
  note.sending.clear();
  note.differences.clear();
  Configuration kept;
  std::string loadError;
  const bool first = entries.empty();
  const bool loads = first || LoadVersion(entries.front(), router, context_, kept, &loadError);
  if ((first || !loads) && firstOperation_.empty()) {
    // Nothing to compare with, and no first version wanted.
    result.ok = true;
    result.versions = static_cast<int>(entries.size());
    result.lastChange = LastChange(entries);
    return result;
  }
  if (!loads) {
    note.differences.push_back("the version kept before does not load: " + loadError);
  } else if (!first) {
    // A loaded file always closes its filters with a default entry (the
    // reader adds one), so the tables read are compared as a file holds them.
    Configuration compared = read.Clone();
    EnsureDefaultFilter(compared.filters);
    const PlanTexts texts{context_.tables, context_.database};
    const ConfigurationComparison comparison = CompareConfigurations(kept, compared, texts);
    if (comparison.same()) {
      result.ok = true;
      result.versions = static_cast<int>(entries.size());
      result.lastChange = LastChange(entries);
      return result;
    }
    // A write of this tool keeps the version before it with what it was
    // about to send: a difference that is exactly that is the write's own.
    const HistoryEntry& newest = entries.front();
    if (!newest.sending.empty() &&
        newest.sending == DescribeWritePlan(PlanConfigurationWrite(compared, kept), texts)) {
      note.operation = "as written by " + newest.operation;
    } else {
      note.operation = kChangedElsewhere;
      result.changedElsewhere = true;
    }
    note.differences = DescribeComparison(comparison);
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
  result.repositoryError = keep.repositoryError;
  result.versions = static_cast<int>(entries.size());
  result.lastChange = LastChange(entries);
  return result;
}

}  // namespace tarcfg
