// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/configuration.h"

namespace tarcfg {
namespace {

// Lists compare as "0 when equal, negative otherwise"; no record kind of the
// configuration answers to a key.
template <class Record, bool (*Same)(const Record&, const Record&)>
RecordList<Record> MakeList() {
  return RecordList<Record>([](const Record& a, const Record& b) { return Same(a, b) ? 0 : -1; },
                            [](const Record&, std::string_view) { return false; });
}

}  // namespace

LineTargetList NewLineTargetList() {
  return MakeList<LineTarget, SameLineTarget>();
}
RouteList NewRouteList() {
  return MakeList<RouteEntry, SameRoute>();
}
FilterList NewFilterList() {
  return MakeList<FilterEntry, SameFilter>();
}

void EnsureDefaultFilter(FilterList& filters) {
  const FilterEntry* last = filters.Last();
  if (last && (filters.CompareRecords(*last, DefaultFilterAccept()) == 0 ||
               filters.CompareRecords(*last, DefaultFilterReject()) == 0))
    return;
  FilterEntry entry = DefaultFilterAccept();
  entry.tablePosition = filters.count();
  filters.Append(entry);
}

void AddHostRoute(RouteList& routes, std::string_view address) {
  RouteEntry route;
  route.netmask = "255.255.255.255";
  route.match = address;
  route.gateway = address;
  routes.InsertAt(route, 1);
}

}  // namespace tarcfg
