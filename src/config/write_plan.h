// SPDX-License-Identifier: GPL-3.0-or-later
// What a write of the working lists over the router's tables sends, worked
// out once: the difference walk per table, each entry with what it does to
// the router's table (added, changed, deleted) and which fields differ. The
// write chain encodes exactly these entries in this order; Show Changes,
// `write --dry-run`, the history notes and the report of a write that broke
// off all render the same plan.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "config/net_database.h"
#include "config/records.h"

namespace tarcfg {

// One message of a table write.
template <class Record>
struct TableChange {
  int position = 0;      // the table position written or deleted
  bool deleted = false;  // true: a deletion entry for `position`
  Record record;         // the entry written, or the saved entry deleted
};

// Gives the entries of `list` their table positions 0, 1, 2, ... in order.
template <class Record>
void NumberTablePositions(RecordList<Record>& list) {
  int position = 0;
  for (auto& record : list)
    record.tablePosition = position++;
}

// The difference walk: entries equal at the head of both lists (by the
// list's compare rule) are skipped; from the first difference on, every
// edited entry is sent whole for its position and consumes one saved entry;
// surplus saved entries are deleted by the positions they were read with.
// The write chain sends exactly these messages, in this order.
template <class Record>
std::vector<TableChange<Record>> ComputeTableChanges(const RecordList<Record>& edited,
                                                     const RecordList<Record>& saved) {
  std::vector<TableChange<Record>> changes;
  auto e = edited.begin();
  auto s = saved.begin();
  int position = 0;
  while (true) {
    if (e == edited.end() && s == saved.end())
      break;
    if (e != edited.end() && s != saved.end()) {
      while (e != edited.end() && s != saved.end() && edited.CompareRecords(*e, *s) == 0) {
        ++e;
        ++s;
        ++position;
      }
      if (e == edited.end() && s == saved.end())
        break;
    }
    if (e != edited.end()) {
      TableChange<Record> change{position, false, *e};
      change.record.tablePosition = position;
      changes.push_back(std::move(change));
      ++e;
      ++position;
      if (s != saved.end())
        ++s;
    } else {
      changes.push_back(TableChange<Record>{s->tablePosition, true, *s});
      ++s;
    }
  }
  return changes;
}

// What one planned entry does to the router's table.
enum class PlannedAction {
  kAdded,    // written at a position the router's table does not fill
  kChanged,  // written over the router's entry at that position
  kDeleted,  // the router's entry at that position removed
};

template <class Record>
struct PlannedChange {
  TableChange<Record> change;  // the message as the chain sends it
  PlannedAction action = PlannedAction::kAdded;
  Record before{};                         // the router's entry there (changed, deleted)
  std::vector<std::string> changedFields;  // changed: the fields that differ, in field order
};

enum class PlannedTable { kLineTargets, kRoutes, kFilters };

struct WritePlan {
  std::vector<PlannedChange<LineTarget>> lineTargets;
  std::vector<PlannedChange<RouteEntry>> routes;
  std::vector<PlannedChange<FilterEntry>> filters;

  std::size_t size() const { return lineTargets.size() + routes.size() + filters.size(); }
  bool empty() const { return size() == 0; }
  // The table of the planned entry `index` (in sending order: line targets,
  // routes, filters) and its place in that table's part of the plan.
  PlannedTable TableAt(std::size_t index, std::size_t* within = nullptr) const;
};

// The plan of one table: writing `working` over `saved`.
std::vector<PlannedChange<LineTarget>> PlanTableWrite(const LineTargetList& working,
                                                      const LineTargetList& saved);
std::vector<PlannedChange<RouteEntry>> PlanTableWrite(const RouteList& working,
                                                      const RouteList& saved);
std::vector<PlannedChange<FilterEntry>> PlanTableWrite(const FilterList& working,
                                                       const FilterList& saved);

// The plan of writing `working` over `saved`, the router's tables as read.
// Positions are those the write gives the working entries (0, 1, 2, ...).
WritePlan PlanConfigurationWrite(const Configuration& working, const Configuration& saved);

// The texts a plan is shown and noted with. `tables` names the layer 2
// protocols, `database` the filter services.
struct PlanTexts {
  const ProtocolTables& tables;
  NetDatabase& database;
};

// The names of the fields that differ between two entries of one table, in
// the order the entry editors show them.
std::vector<std::string> ChangedFields(const LineTarget& before, const LineTarget& after);
std::vector<std::string> ChangedFields(const RouteEntry& before, const RouteEntry& after);
std::vector<std::string> ChangedFields(const FilterEntry& before, const FilterEntry& after);

// The same fields with their values before and after, as text ("phone
// number", "0301234", "0309999"): what a comparison shows.
struct FieldChange {
  std::string name, before, after;
  bool operator==(const FieldChange&) const = default;
};
std::vector<FieldChange> FieldChanges(const LineTarget& before, const LineTarget& after,
                                      const PlanTexts& texts);
std::vector<FieldChange> FieldChanges(const RouteEntry& before, const RouteEntry& after,
                                      const PlanTexts& texts);
std::vector<FieldChange> FieldChanges(const FilterEntry& before, const FilterEntry& after,
                                      const PlanTexts& texts);

// An entry as the plan's lines and the comparison name it: a line target
// by host name, phone number and layer 2 protocol ("host 0301234 x75"), a
// route and a filter by all their fields in file order.
std::string EntryText(const LineTarget& target, const PlanTexts& texts);
std::string EntryText(const RouteEntry& route, const PlanTexts& texts);
std::string EntryText(const FilterEntry& filter, const PlanTexts& texts);

// How far a write got: the planned entries the router confirmed (the first
// `confirmed` of the plan, in sending order), and what became of the next:
// sent and never answered, or answered with a refusal.
struct WriteProgress {
  std::size_t planned = 0;
  std::size_t confirmed = 0;
  enum class Next { kNotSent, kUnanswered, kRefused } next = Next::kNotSent;
  bool complete() const { return confirmed == planned; }
};

// One line per planned entry, as tarcfg-cli lists it and the history notes
// it: "line target 3 written: host 0301234 X.75", "route 5 deleted: ...".
std::vector<std::string> DescribeWritePlan(const WritePlan& plan, const PlanTexts& texts);

// What a write that broke off left on the router, for the user: the entries
// the router confirmed, the one whose fate is unknown or that it refused,
// and those never sent, each as DescribeWritePlan words it. Empty when the
// write completed.
std::vector<std::string> DescribeWriteFailure(const WritePlan& plan, const WriteProgress& progress,
                                              const PlanTexts& texts);

}  // namespace tarcfg
