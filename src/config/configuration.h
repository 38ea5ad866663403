// SPDX-License-Identifier: GPL-3.0-or-later
// The three lists of one router's configuration and the list operations that
// know about record kinds.
#pragma once

#include <string_view>

#include "config/record_list.h"
#include "config/records.h"

namespace tarcfg {

using LineTargetList = RecordList<LineTarget>;
using RouteList = RecordList<RouteEntry>;
using FilterList = RecordList<FilterEntry>;

// Empty lists with the compare rules of their record kind.
LineTargetList NewLineTargetList();
RouteList NewRouteList();
FilterList NewFilterList();

struct Configuration {
  LineTargetList lineTargets = NewLineTargetList();
  RouteList routes = NewRouteList();
  FilterList filters = NewFilterList();

  Configuration Clone() const {
    return Configuration{lineTargets.Clone(), routes.Clone(), filters.Clone()};
  }
};

// Appends a copy of DefaultFilterAccept (tablePosition = entries before it)
// unless the list already ends with one of the two default entries.
void EnsureDefaultFilter(FilterList& filters);

// Inserts the host route "255.255.255.255 address address" at position 1.
void AddHostRoute(RouteList& routes, std::string_view address);

}  // namespace tarcfg
