// SPDX-License-Identifier: GPL-3.0-or-later
// The router's tables as the registered host reads and writes them: table
// entries, the accounting counters, and the holes a write run leaves.
#include "sim/network.h"

#include <algorithm>

#include "sim/wire_codes.h"

namespace tarnex_sim {

namespace {

template <typename T>
void Compact(std::vector<std::optional<T>>& table) {
  table.erase(std::remove_if(table.begin(), table.end(), [](const auto& e) { return !e; }),
              table.end());
}

// Applies one entry message to a table: a body replaces the entry at the
// position or appends at the end; no body deletes. Deleted slots stay as
// holes until the write run is over: the tool names surplus entries by the
// positions it read, after having written the new ones.
template <typename T, typename Decode>
uint16_t ApplyEntry(std::vector<std::optional<T>>& table, uint16_t position,
                    std::span<const uint8_t> body, size_t limit, Decode decode,
                    void (*keep)(const T&, T&)) {
  if (body.empty()) {
    if (position < table.size())
      table[position].reset();
    while (!table.empty() && !table.back())
      table.pop_back();
    return 0;
  }
  std::optional<T> entry = decode(body);
  if (!entry)
    return kStatusMalformed;
  if (position < table.size()) {
    if (table[position] && keep)
      keep(*table[position], *entry);
    table[position] = std::move(entry);
    return 0;
  }
  if (position != table.size())
    return kStatusBadPosition;
  if (table.size() >= limit)
    return kStatusTableFull;
  table.push_back(std::move(entry));
  return 0;
}

void KeepCounters(const LineTarget& old, LineTarget& fresh) {
  if (old.address == fresh.address) {
    fresh.counters = old.counters;
    fresh.label = old.label;
  }
}

}  // namespace

bool Network::CompactTables(Router& r) {
  const size_t before = r.lineTargets.size() + r.routes.size() + r.filters.size();
  Compact(r.lineTargets);
  Compact(r.routes);
  Compact(r.filters);
  return r.lineTargets.size() + r.routes.size() + r.filters.size() != before;
}

void Network::ReadTable(Router& r, uint64_t now, uint32_t host, std::span<const uint8_t> payload) {
  Reader in(payload);
  uint8_t type = in.U8();
  uint16_t index = in.U16be();
  Writer w;
  w.U16be(0).U8(type).U16be(index);
  if (in.ok()) {
    if (type == kLineTargets && index < r.lineTargets.size())
      w.Raw(EncodeLineTargetBody(*r.lineTargets[index]));
    else if (type == kRoutes && index < r.routes.size())
      w.Raw(EncodeRouteBody(*r.routes[index]));
    else if (type == kFilters && index < r.filters.size())
      w.Raw(EncodeFilterBody(*r.filters[index]));
  }
  SendNumbered(r, now, host, command::kTableEntry, w.Take());
}

uint16_t Network::WriteRefusal(const Reader& in) const {
  if (!in.ok())
    return kStatusMalformed;
  return faults_.writeStatus;
}

void Network::WriteTable(Router& r, uint64_t now, uint32_t host, std::span<const uint8_t> payload) {
  Reader in(payload);
  uint8_t type = in.U8();
  uint16_t position = in.U16be();
  uint16_t status = WriteRefusal(in);
  if (status == 0) {
    std::span<const uint8_t> body = payload.subspan(3);
    switch (type) {
      case kLineTargets:
        status = ApplyEntry<LineTarget>(r.lineTargets, position, body, 30, DecodeLineTargetBody,
                                        KeepCounters);
        break;
      case kRoutes:
        status = ApplyEntry<Route>(r.routes, position, body, 64, DecodeRouteBody, nullptr);
        break;
      case kFilters:
        status = ApplyEntry<Filter>(r.filters, position, body, 64, DecodeFilterBody, nullptr);
        break;
      default:
        status = kStatusMalformed;
    }
  }
  Writer w;
  w.U16be(0).U8(type).U16be(position).U16be(status);
  SendNumbered(r, now, host, command::kTableEntryWritten, w.Take());
}

// One line target's counters, reset after reading when the host asks so.
void Network::ReadAccounting(Router& r, uint64_t now, uint32_t sender,
                             std::span<const uint8_t> payload) {
  Reader in(payload);
  uint8_t operation = in.U8();
  uint16_t index = in.U16be();
  if (!in.ok())
    return;
  Writer w;
  w.U16be(0).U16be(index);
  std::array<uint32_t, 7> counters{};
  if (index < r.lineTargets.size() && r.lineTargets[index]) {
    counters = r.lineTargets[index]->counters;
    if (operation == 0xFF)
      r.lineTargets[index]->counters = {};
  }
  for (uint32_t v : counters)
    w.U32be(v);
  SendNumbered(r, now, sender, command::kAccountingEntry, w.Take());
}

}  // namespace tarnex_sim
