// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison of two configurations of one router: which line targets,
// routes and filters were added, removed or changed between an older and a
// newer configuration, which fields of each with their values before and
// after, and which router parameters differ.
//
// The comparison is the write plan of the newer configuration over the older
// one: router tables are ordered (routes and filters apply in table order), so
// entries are compared by table position, and what the comparison lists is
// exactly what writing the newer configuration over the older would send. An
// entry inserted at the top therefore shows every entry after it as changed.
// tarcfg-cli diff, the History window, the archive's comment lines and its
// git commit messages all render this one comparison.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "config/records.h"
#include "config/write_plan.h"

namespace tarcfg {

enum class DifferenceKind {
  kAdded,    // only in the newer configuration
  kRemoved,  // only in the older configuration
  kChanged,  // at the same position in both, with fields that differ
};

template <class Record>
struct EntryDifference {
  DifferenceKind kind = DifferenceKind::kChanged;
  int position = 0;                 // the table position, from 1 (removed: in the older one)
  Record before{};                  // removed, changed
  Record after{};                   // added, changed
  std::string beforeText;           // EntryText of `before` (removed, changed)
  std::string afterText;            // EntryText of `after` (added, changed)
  std::vector<FieldChange> fields;  // changed: the fields that differ, in field order
};

struct ConfigurationComparison {
  std::vector<EntryDifference<LineTarget>> lineTargets;
  std::vector<EntryDifference<RouteEntry>> routes;
  std::vector<EntryDifference<FilterEntry>> filters;
  // The router parameters that differ (RouterParameterChanges); empty when
  // either side has none to compare.
  std::vector<FieldChange> router;

  std::size_t entries() const { return lineTargets.size() + routes.size() + filters.size(); }
  bool same() const { return entries() == 0 && router.empty(); }
};

// Compares `older` with `newer`. The router parameters are compared only when
// both are given. Table positions come from each list's order, whatever the
// entries' tablePosition say.
ConfigurationComparison CompareConfigurations(const Configuration& older,
                                              const Configuration& newer, const PlanTexts& texts,
                                              const RouterParameters* olderRouter = nullptr,
                                              const RouterParameters* newerRouter = nullptr);

// The router parameters that differ, as fields with their values before and
// after: "name", "net mask", "phone number", and, when both sides know
// their firmware, "firmware", "D-channel protocol", "permanent connection".
// The password and the registration are not part of a configuration.
std::vector<FieldChange> RouterParameterChanges(const RouterParameters& before,
                                                const RouterParameters& after);

// The router parameters a ".cfg" file's header states (the writer's
// "# Router Name / IP-Address:", "# Netmask", "# Router Telephone Number" and
// "# Firmware" lines); nullopt when the text has no such header or it states
// nothing (a file written without a router).
std::optional<RouterParameters> RouterSectionOf(const std::string& fileText);

// One line for the whole comparison, tables in order, and in each the changed,
// added and removed entries: "2 line targets changed, 1 route added, router
// parameters changed"; "no differences" when the two are the same.
std::string SummarizeComparison(const ConfigurationComparison& comparison);

// One line per difference, fit for a comment line of a ".cfg" file or a
// commit message (no line ends, no leading "#"):
//   "line target 2 changed: phone number 0301 -> 0309, timeout 20 -> 60"
//   "route 3 added: 255.255.255.0 10.2.0.0 198.51.100.200"
//   "filter 1 removed: 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1"
//   "router parameters changed: name tarnex1 -> tarnex2"
// An empty value is shown as "".
std::vector<std::string> DescribeComparison(const ConfigurationComparison& comparison);

// A field value as DescribeComparison shows it: the text, or "" when empty.
std::string ShownValue(const std::string& value);

}  // namespace tarcfg
