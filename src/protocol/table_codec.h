// SPDX-License-Identifier: GPL-3.0-or-later
// Wire layouts of the router's table entries and parameters, and the
// encoding of the entries a write plan sends.
//
// Entries are written as the full entry (type, position, fields) or as a
// 3-byte deletion (type, position). A read answer carries the same layout
// after 2 uninterpreted bytes. Numbers are big-endian; addresses travel as
// 4-byte values converted from and to the record's text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/address.h"
#include "config/configuration.h"
#include "config/records.h"
#include "config/write_plan.h"
#include "protocol/wire.h"

namespace tarcfg {

struct WireContext {
  AddressService& addresses;
  const ProtocolTables& tables;
};

// Table types, the first byte of every table request and entry.
inline constexpr std::uint8_t kLineTargetTable = 0xFF;
inline constexpr std::uint8_t kRouteTable = 0xF0;
inline constexpr std::uint8_t kFilterTable = 0x0F;

inline constexpr std::size_t kLineTargetEntryLength = 133;
inline constexpr std::size_t kRouteEntryLength = 15;
inline constexpr std::size_t kFilterEntryLength = 25;
inline constexpr std::size_t kDeletionEntryLength = 3;
inline constexpr std::size_t kRouterParametersLength = 29;
// A read answer: 2 bytes, then the entry; the entry's fields start at 5.
inline constexpr std::size_t kAnswerEntryOffset = 2;

inline std::uint8_t TableTypeOf(const LineTarget*) {
  return kLineTargetTable;
}
inline std::uint8_t TableTypeOf(const RouteEntry*) {
  return kRouteTable;
}
inline std::uint8_t TableTypeOf(const FilterEntry*) {
  return kFilterTable;
}

// The 40-byte identification field: "name/password" goes out as the two
// parts separated by a zero byte.
void WriteIdentification(WireWriter& out, std::string_view text);
// And back: the zero byte that ends a non-empty first part (or an empty one
// that a second part follows) becomes "/" again.
std::string JoinIdentification(std::span<const std::uint8_t> field);

Bytes EncodeLineTarget(const LineTarget& target, const WireContext& wire);
Bytes EncodeRoute(const RouteEntry& route, AddressService& addresses);
Bytes EncodeFilter(const FilterEntry& filter, AddressService& addresses);
Bytes EncodeDeletion(std::uint8_t type, int position);
Bytes EncodeRouterParameters(const RouterParameters& parameters, AddressService& addresses);

// Decode a read answer's payload (type at 2, index at 3, entry from 5). A
// payload of 6 bytes or fewer carries no entry and gives a zero-filled
// record; a short entry is decoded as if its missing tail were zero.
LineTarget DecodeLineTarget(std::span<const std::uint8_t> payload, const WireContext& wire);
RouteEntry DecodeRoute(std::span<const std::uint8_t> payload, AddressService& addresses);
FilterEntry DecodeFilter(std::span<const std::uint8_t> payload, AddressService& addresses);

// True when a decoded entry holds something worth keeping (its first text).
inline bool HasEntry(const LineTarget& target) {
  return !target.hostName.empty();
}
inline bool HasEntry(const RouteEntry& route) {
  return !route.netmask.empty();
}
inline bool HasEntry(const FilterEntry& filter) {
  return !filter.sendNetmask.empty();
}

Bytes EncodeTableChange(const TableChange<LineTarget>& change, const WireContext& wire);
Bytes EncodeTableChange(const TableChange<RouteEntry>& change, const WireContext& wire);
Bytes EncodeTableChange(const TableChange<FilterEntry>& change, const WireContext& wire);

}  // namespace tarcfg
