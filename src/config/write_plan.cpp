// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/write_plan.h"

#include "config/config_file.h"

namespace tarcfg {
namespace {

template <class Record>
struct Field {
  const char* name;
  bool (*same)(const Record&, const Record&);
  std::string (*text)(const Record&, const PlanTexts&);
};

std::string NameOf(const ProtocolName* name) {
  return name ? name->str() : std::string("?");
}
std::string Number(int value) {
  return std::to_string(value);
}
std::string YesNo(int value) {
  return value != 0 ? "yes" : "no";
}

// The fields each entry is compared by, in the order its editor shows them.
const Field<LineTarget> kLineTargetFields[] = {
    {"host name", [](const LineTarget& a, const LineTarget& b) { return a.hostName == b.hostName; },
     [](const LineTarget& t, const PlanTexts&) { return t.hostName.str(); }},
    {"phone number",
     [](const LineTarget& a, const LineTarget& b) { return a.phoneNumber == b.phoneNumber; },
     [](const LineTarget& t, const PlanTexts&) { return t.phoneNumber.str(); }},
    {"layer 2 protocol",
     [](const LineTarget& a, const LineTarget& b) {
       return a.layer2Base == b.layer2Base && a.layer2Protocol == b.layer2Protocol;
     },
     [](const LineTarget& t, const PlanTexts& texts) {
       const Layer2Protocol* p = texts.tables.Layer2At(t.layer2Protocol);
       return NameOf(p ? &p->name : nullptr);
     }},
    {"layer 3 protocol",
     [](const LineTarget& a, const LineTarget& b) {
       return a.layer3Type == b.layer3Type && a.layer3Protocol == b.layer3Protocol;
     },
     [](const LineTarget& t, const PlanTexts& texts) {
       const Layer3Protocol* p = texts.tables.Layer3At(t.layer3Protocol);
       return NameOf(p ? &p->name : nullptr);
     }},
    {"remote identification",
     [](const LineTarget& a, const LineTarget& b) {
       return a.remoteIdentification == b.remoteIdentification;
     },
     [](const LineTarget& t, const PlanTexts&) { return t.remoteIdentification.str(); }},
    {"local identification",
     [](const LineTarget& a, const LineTarget& b) {
       return a.localIdentification == b.localIdentification;
     },
     [](const LineTarget& t, const PlanTexts&) { return t.localIdentification.str(); }},
    {"timeout", [](const LineTarget& a, const LineTarget& b) { return a.timeout == b.timeout; },
     [](const LineTarget& t, const PlanTexts&) { return Number(t.timeout); }},
    {"manual only",
     [](const LineTarget& a, const LineTarget& b) { return a.manualOnly == b.manualOnly; },
     [](const LineTarget& t, const PlanTexts&) { return YesNo(t.manualOnly); }},
    {"channel bundling",
     [](const LineTarget& a, const LineTarget& b) {
       return a.channelBundling == b.channelBundling;
     },
     [](const LineTarget& t, const PlanTexts&) { return YesNo(t.channelBundling); }},
    {"compression",
     [](const LineTarget& a, const LineTarget& b) { return a.compression == b.compression; },
     [](const LineTarget& t, const PlanTexts&) { return YesNo(t.compression); }},
};

const Field<RouteEntry> kRouteFields[] = {
    {"net mask", [](const RouteEntry& a, const RouteEntry& b) { return a.netmask == b.netmask; },
     [](const RouteEntry& r, const PlanTexts&) { return r.netmask.str(); }},
    {"destination", [](const RouteEntry& a, const RouteEntry& b) { return a.match == b.match; },
     [](const RouteEntry& r, const PlanTexts&) { return r.match.str(); }},
    {"gateway", [](const RouteEntry& a, const RouteEntry& b) { return a.gateway == b.gateway; },
     [](const RouteEntry& r, const PlanTexts&) { return r.gateway.str(); }},
};

const Field<FilterEntry> kFilterFields[] = {
    {"send net mask",
     [](const FilterEntry& a, const FilterEntry& b) { return a.sendNetmask == b.sendNetmask; },
     [](const FilterEntry& f, const PlanTexts&) { return f.sendNetmask.str(); }},
    {"send address",
     [](const FilterEntry& a, const FilterEntry& b) { return a.sendMatch == b.sendMatch; },
     [](const FilterEntry& f, const PlanTexts&) { return f.sendMatch.str(); }},
    {"receive net mask",
     [](const FilterEntry& a, const FilterEntry& b) {
       return a.receiveNetmask == b.receiveNetmask;
     },
     [](const FilterEntry& f, const PlanTexts&) { return f.receiveNetmask.str(); }},
    {"receive address",
     [](const FilterEntry& a, const FilterEntry& b) { return a.receiveMatch == b.receiveMatch; },
     [](const FilterEntry& f, const PlanTexts&) { return f.receiveMatch.str(); }},
    {"service",
     [](const FilterEntry& a, const FilterEntry& b) {
       return a.protocol == b.protocol && a.port == b.port;
     },
     [](const FilterEntry& f, const PlanTexts& texts) {
       return FilterServiceText(f, texts.database);
     }},
    {"action", [](const FilterEntry& a, const FilterEntry& b) { return a.action == b.action; },
     [](const FilterEntry& f, const PlanTexts&) {
       return std::string(f.action != 0 ? "accept" : "reject");
     }},
};

template <class Record, std::size_t N>
std::vector<FieldChange> Changes(const Field<Record> (&fields)[N], const Record& before,
                                 const Record& after, const PlanTexts& texts) {
  std::vector<FieldChange> changes;
  for (const Field<Record>& field : fields)
    if (!field.same(before, after))
      changes.push_back({field.name, field.text(before, texts), field.text(after, texts)});
  return changes;
}

template <class Record, std::size_t N>
std::vector<std::string> Differing(const Field<Record> (&fields)[N], const Record& before,
                                   const Record& after) {
  std::vector<std::string> names;
  for (const Field<Record>& field : fields)
    if (!field.same(before, after))
      names.emplace_back(field.name);
  return names;
}

template <class Record>
std::vector<PlannedChange<Record>> PlanTable(const RecordList<Record>& working,
                                             const RecordList<Record>& saved) {
  std::vector<PlannedChange<Record>> planned;
  for (TableChange<Record>& change : ComputeTableChanges(working, saved)) {
    PlannedChange<Record> entry;
    const Record* before = saved.NodeAt(change.position + 1);
    if (change.deleted) {
      entry.action = PlannedAction::kDeleted;
      entry.before = change.record;
    } else if (before) {
      entry.action = PlannedAction::kChanged;
      entry.before = *before;
      entry.changedFields = ChangedFields(*before, change.record);
    }
    entry.change = std::move(change);
    planned.push_back(std::move(entry));
  }
  return planned;
}

template <class Record>
std::string Line(const char* table, const PlannedChange<Record>& entry, const PlanTexts& texts) {
  return std::string(table) + " " + std::to_string(entry.change.position + 1) +
         (entry.change.deleted ? " deleted: " : " written: ") +
         EntryText(entry.change.record, texts);
}

// Calls `line` with the text of every planned entry, in sending order.
template <class Visit>
void ForEachLine(const WritePlan& plan, const PlanTexts& texts, Visit line) {
  for (const auto& entry : plan.lineTargets)
    line(Line("line target", entry, texts));
  for (const auto& entry : plan.routes)
    line(Line("route", entry, texts));
  for (const auto& entry : plan.filters)
    line(Line("filter", entry, texts));
}

}  // namespace

PlannedTable WritePlan::TableAt(std::size_t index, std::size_t* within) const {
  PlannedTable table = PlannedTable::kLineTargets;
  if (index >= lineTargets.size()) {
    index -= lineTargets.size();
    table = PlannedTable::kRoutes;
    if (index >= routes.size()) {
      index -= routes.size();
      table = PlannedTable::kFilters;
    }
  }
  if (within)
    *within = index;
  return table;
}

std::vector<PlannedChange<LineTarget>> PlanTableWrite(const LineTargetList& working,
                                                      const LineTargetList& saved) {
  return PlanTable(working, saved);
}
std::vector<PlannedChange<RouteEntry>> PlanTableWrite(const RouteList& working,
                                                      const RouteList& saved) {
  return PlanTable(working, saved);
}
std::vector<PlannedChange<FilterEntry>> PlanTableWrite(const FilterList& working,
                                                       const FilterList& saved) {
  return PlanTable(working, saved);
}

WritePlan PlanConfigurationWrite(const Configuration& working, const Configuration& saved) {
  return WritePlan{PlanTable(working.lineTargets, saved.lineTargets),
                   PlanTable(working.routes, saved.routes),
                   PlanTable(working.filters, saved.filters)};
}

std::vector<std::string> ChangedFields(const LineTarget& before, const LineTarget& after) {
  return Differing(kLineTargetFields, before, after);
}
std::vector<std::string> ChangedFields(const RouteEntry& before, const RouteEntry& after) {
  return Differing(kRouteFields, before, after);
}
std::vector<std::string> ChangedFields(const FilterEntry& before, const FilterEntry& after) {
  return Differing(kFilterFields, before, after);
}

std::vector<FieldChange> FieldChanges(const LineTarget& before, const LineTarget& after,
                                      const PlanTexts& texts) {
  return Changes(kLineTargetFields, before, after, texts);
}
std::vector<FieldChange> FieldChanges(const RouteEntry& before, const RouteEntry& after,
                                      const PlanTexts& texts) {
  return Changes(kRouteFields, before, after, texts);
}
std::vector<FieldChange> FieldChanges(const FilterEntry& before, const FilterEntry& after,
                                      const PlanTexts& texts) {
  return Changes(kFilterFields, before, after, texts);
}

std::string EntryText(const LineTarget& t, const PlanTexts& texts) {
  const Layer2Protocol* layer2 = texts.tables.Layer2At(t.layer2Protocol);
  return t.hostName.str() + " " + t.phoneNumber.str() + " " +
         (layer2 ? layer2->name.str() : std::string("?"));
}

std::string EntryText(const RouteEntry& r, const PlanTexts&) {
  return r.netmask.str() + " " + r.match.str() + " " + r.gateway.str();
}

std::string EntryText(const FilterEntry& f, const PlanTexts& texts) {
  return f.sendNetmask.str() + " " + f.sendMatch.str() + " " + f.receiveNetmask.str() + " " +
         f.receiveMatch.str() + " " + FilterServiceText(f, texts.database) + " " +
         std::to_string(f.action);
}

std::vector<std::string> DescribeWritePlan(const WritePlan& plan, const PlanTexts& texts) {
  std::vector<std::string> lines;
  ForEachLine(plan, texts, [&lines](std::string line) { lines.push_back(std::move(line)); });
  return lines;
}

std::vector<std::string> DescribeWriteFailure(const WritePlan& plan, const WriteProgress& progress,
                                              const PlanTexts& texts) {
  std::vector<std::string> lines;
  if (progress.complete())
    return lines;
  const char* nextHeading = progress.next == WriteProgress::Next::kUnanswered
                                ? "sent, not answered (the router may or may not hold it):"
                            : progress.next == WriteProgress::Next::kRefused
                                ? "refused by the router:"
                                : nullptr;
  std::size_t index = 0;
  const char* heading = nullptr;
  ForEachLine(plan, texts, [&](std::string line) {
    const char* now = index < progress.confirmed                   ? "confirmed by the router:"
                      : index == progress.confirmed && nextHeading ? nextHeading
                                                                   : "not sent:";
    if (now != heading)
      lines.emplace_back(heading = now);
    lines.push_back("  " + std::move(line));
    ++index;
  });
  return lines;
}

}  // namespace tarcfg
