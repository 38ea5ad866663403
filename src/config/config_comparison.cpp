// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/config_comparison.h"

#include <sstream>

#include "config/operating_modes.h"

namespace tarcfg {
namespace {

template <class Record>
std::vector<EntryDifference<Record>> CompareTable(const RecordList<Record>& older,
                                                  const RecordList<Record>& newer,
                                                  const PlanTexts& texts) {
  // Positions as each list orders its entries: a file's entries carry none.
  RecordList<Record> saved = older.Clone();
  RecordList<Record> working = newer.Clone();
  NumberTablePositions(saved);
  NumberTablePositions(working);
  std::vector<EntryDifference<Record>> differences;
  for (const PlannedChange<Record>& planned : PlanTableWrite(working, saved)) {
    EntryDifference<Record> difference;
    difference.position = planned.change.position + 1;
    switch (planned.action) {
      case PlannedAction::kAdded:
        difference.kind = DifferenceKind::kAdded;
        difference.after = planned.change.record;
        difference.afterText = EntryText(difference.after, texts);
        break;
      case PlannedAction::kDeleted:
        difference.kind = DifferenceKind::kRemoved;
        difference.before = planned.before;
        difference.beforeText = EntryText(difference.before, texts);
        break;
      case PlannedAction::kChanged:
        difference.kind = DifferenceKind::kChanged;
        difference.before = planned.before;
        difference.after = planned.change.record;
        difference.beforeText = EntryText(difference.before, texts);
        difference.afterText = EntryText(difference.after, texts);
        difference.fields = FieldChanges(difference.before, difference.after, texts);
        break;
    }
    differences.push_back(std::move(difference));
  }
  return differences;
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos)
    return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The value of the header line "# <key> : value", when `line` is that line.
bool HeaderValue(const std::string& line, const char* key, std::string* value) {
  const std::string prefix = std::string("# ") + key;
  if (line.rfind(prefix, 0) != 0)
    return false;
  const std::size_t colon = line.find(':', prefix.size());
  if (colon == std::string::npos || Trim(line.substr(prefix.size(), colon - prefix.size())) != "")
    return false;
  *value = Trim(line.substr(colon + 1));
  return true;
}

// "2.10 / DSS1" or "2.10 / 1TR6 / Digital FVS01" ("? / ?": not known).
void ParseFirmwareLine(const std::string& value, RouterParameters& router) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  while (true) {
    const std::size_t slash = value.find('/', from);
    parts.push_back(Trim(value.substr(from, slash - from)));
    if (slash == std::string::npos)
      break;
    from = slash + 1;
  }
  if (parts.size() < 2 || parts[0].empty() || parts[0] == "?")
    return;
  router.firmwareVersion = parts[0];
  router.dChannelProtocol = parts[1] == DChannelProtocolName(0) ? 0 : 1;
  if (parts.size() > 2)
    for (int mode = 1; mode <= 3; ++mode)
      if (parts[2] == PermanentConnectionName(mode))
        router.permanentConnection = static_cast<std::uint8_t>(mode);
}

void AddIfDifferent(std::vector<FieldChange>& changes, const char* name, const std::string& before,
                    const std::string& after) {
  if (before != after)
    changes.push_back({name, before, after});
}

std::string Count(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

template <class Record>
void SummarizeTable(const std::vector<EntryDifference<Record>>& differences, const char* one,
                    const char* many, std::vector<std::string>& parts) {
  const struct {
    DifferenceKind kind;
    const char* word;
  } kinds[] = {{DifferenceKind::kChanged, " changed"},
               {DifferenceKind::kAdded, " added"},
               {DifferenceKind::kRemoved, " removed"}};
  for (const auto& kind : kinds) {
    std::size_t count = 0;
    for (const auto& difference : differences)
      count += difference.kind == kind.kind ? 1 : 0;
    if (count)
      parts.push_back(Count(count, one, many) + kind.word);
  }
}

std::string FieldList(const std::vector<FieldChange>& fields) {
  std::string text;
  for (const FieldChange& field : fields) {
    if (!text.empty())
      text += ", ";
    text += field.name + " " + ShownValue(field.before) + " -> " + ShownValue(field.after);
  }
  return text;
}

template <class Record>
void DescribeTable(const std::vector<EntryDifference<Record>>& differences, const char* table,
                   std::vector<std::string>& lines) {
  for (const auto& difference : differences) {
    std::string line = std::string(table) + " " + std::to_string(difference.position);
    switch (difference.kind) {
      case DifferenceKind::kAdded:
        line += " added: " + difference.afterText;
        break;
      case DifferenceKind::kRemoved:
        line += " removed: " + difference.beforeText;
        break;
      case DifferenceKind::kChanged:
        line += " changed: " + FieldList(difference.fields);
        break;
    }
    lines.push_back(std::move(line));
  }
}

}  // namespace

ConfigurationComparison CompareConfigurations(const Configuration& older,
                                              const Configuration& newer, const PlanTexts& texts,
                                              const RouterParameters* olderRouter,
                                              const RouterParameters* newerRouter) {
  ConfigurationComparison comparison;
  comparison.lineTargets = CompareTable(older.lineTargets, newer.lineTargets, texts);
  comparison.routes = CompareTable(older.routes, newer.routes, texts);
  comparison.filters = CompareTable(older.filters, newer.filters, texts);
  if (olderRouter && newerRouter)
    comparison.router = RouterParameterChanges(*olderRouter, *newerRouter);
  return comparison;
}

std::vector<FieldChange> RouterParameterChanges(const RouterParameters& before,
                                                const RouterParameters& after) {
  std::vector<FieldChange> changes;
  AddIfDifferent(changes, "name", before.name.str(), after.name.str());
  AddIfDifferent(changes, "net mask", before.netmask.str(), after.netmask.str());
  AddIfDifferent(changes, "phone number", before.phoneNumber.str(), after.phoneNumber.str());
  // A file written without a router does not know the firmware and its modes.
  if (before.firmwareVersion.empty() || after.firmwareVersion.empty())
    return changes;
  AddIfDifferent(changes, "firmware", before.firmwareVersion.str(), after.firmwareVersion.str());
  AddIfDifferent(changes, "D-channel protocol", DChannelProtocolName(before.dChannelProtocol),
                 DChannelProtocolName(after.dChannelProtocol));
  const auto connection = [](int mode) {
    return mode == 0 ? std::string("none") : std::string(PermanentConnectionName(mode));
  };
  AddIfDifferent(changes, "permanent connection", connection(before.permanentConnection),
                 connection(after.permanentConnection));
  return changes;
}

std::optional<RouterParameters> RouterSectionOf(const std::string& fileText) {
  RouterParameters router;
  bool stated = false;
  std::istringstream lines(fileText);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    const std::string trimmed = Trim(line);
    // The header ends where the first section starts.
    if (!trimmed.empty() && trimmed[0] != '#')
      break;
    std::string value;
    if (HeaderValue(line, "Router Name / IP-Address", &value))
      router.name = value;
    else if (HeaderValue(line, "Netmask", &value))
      router.netmask = value;
    else if (HeaderValue(line, "Router Telephone Number", &value))
      router.phoneNumber = value;
    else if (HeaderValue(line, "Firmware", &value))
      ParseFirmwareLine(value, router);
    else
      continue;
    stated = stated || !value.empty();
  }
  const bool known = !router.name.empty() || !router.netmask.empty() ||
                     !router.phoneNumber.empty() || !router.firmwareVersion.empty();
  if (!stated || !known)
    return std::nullopt;
  return router;
}

std::string SummarizeComparison(const ConfigurationComparison& comparison) {
  std::vector<std::string> parts;
  SummarizeTable(comparison.lineTargets, "line target", "line targets", parts);
  SummarizeTable(comparison.routes, "route", "routes", parts);
  SummarizeTable(comparison.filters, "filter", "filters", parts);
  if (!comparison.router.empty())
    parts.emplace_back("router parameters changed");
  if (parts.empty())
    return "no differences";
  std::string summary;
  for (const std::string& part : parts)
    summary += (summary.empty() ? "" : ", ") + part;
  return summary;
}

std::vector<std::string> DescribeComparison(const ConfigurationComparison& comparison) {
  std::vector<std::string> lines;
  if (!comparison.router.empty())
    lines.push_back("router parameters changed: " + FieldList(comparison.router));
  DescribeTable(comparison.lineTargets, "line target", lines);
  DescribeTable(comparison.routes, "route", lines);
  DescribeTable(comparison.filters, "filter", lines);
  return lines;
}

std::string ShownValue(const std::string& value) {
  return value.empty() ? std::string("\"\"") : value;
}

}  // namespace tarcfg
