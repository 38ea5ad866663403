// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/table_codec.h"

#include <algorithm>
#include <array>

namespace tarcfg {

namespace {

inline constexpr std::size_t kIdentificationField = 40;
// Full payload lengths of a read answer: 2 bytes, then the whole entry.
inline constexpr std::size_t kLineTargetAnswerLength = kAnswerEntryOffset + kLineTargetEntryLength;
inline constexpr std::size_t kRouteAnswerLength = kAnswerEntryOffset + kRouteEntryLength;
inline constexpr std::size_t kFilterAnswerLength = kAnswerEntryOffset + kFilterEntryLength;
// An answer carries an entry only beyond its type and index (and one more byte).
inline constexpr std::size_t kAnswerWithoutEntry = 6;

std::uint8_t Byte(int value) {
  return static_cast<std::uint8_t>(value);
}
std::uint16_t Word(int value) {
  return static_cast<std::uint16_t>(value);
}

}  // namespace

void WriteIdentification(WireWriter& out, std::string_view text) {
  bool ended = false;
  for (std::size_t i = 0; i < kIdentificationField; ++i) {
    if (i >= text.size() || text[i] == '\0')
      ended = true;
    char c = ended ? '\0' : text[i];
    out.U8(c == '/' ? 0 : static_cast<std::uint8_t>(c));
  }
}

// ZeroFilledCopy on the stack: a decoded answer allocates nothing of its own.
template <std::size_t N>
std::array<std::uint8_t, N> ZeroFilled(std::span<const std::uint8_t> data) {
  std::array<std::uint8_t, N> copy{};
  std::copy_n(data.begin(), std::min(data.size(), N), copy.begin());
  return copy;
}

std::string JoinIdentification(std::span<const std::uint8_t> field) {
  auto copy = ZeroFilled<kIdentificationField>(field);
  std::size_t end = 0;
  while (end < copy.size() && copy[end] != 0)
    ++end;
  if (end < copy.size()) {
    bool secondPart = end + 1 < copy.size() && copy[end + 1] != 0;
    if (end > 0 || secondPart)
      copy[end] = '/';
  }
  return WireReader(copy).Text(kIdentificationField);
}

Bytes EncodeLineTarget(const LineTarget& target, const WireContext& wire) {
  // A target whose protocols the table lacks goes out with the parameters
  // it was read with: re-sending it (it moved up after a deletion) must not
  // overwrite the router's own with zeros.
  Layer2Parameters layer2 = target.layer2Parameters;
  if (const Layer2Protocol* entry = wire.tables.Layer2At(target.layer2Protocol))
    layer2 = entry->parameters;
  Layer3Parameters layer3 = target.layer3Parameters;
  if (const Layer3Protocol* entry = wire.tables.Layer3At(target.layer3Protocol))
    layer3 = entry->parameters;

  WireWriter out;
  out.U8(kLineTargetTable).U16(Word(target.tablePosition));
  out.U32(wire.addresses.ResolveAddress(target.hostName.view()));
  out.Text(target.phoneNumber.view(), kPhoneNumberCapacity);
  out.U8(Byte(target.layer2Base)).U16(layer2.blockSize);
  out.U8(layer2.addressA).U8(layer2.addressB).U8(layer2.modulo).U8(layer2.windowSize);
  out.U8(Byte(target.layer3Type));
  for (int i = 0; i < 6; ++i)
    out.U16(layer3[static_cast<std::size_t>(i)]);
  out.U8(static_cast<std::uint8_t>(layer3[6]));
  out.U16(Word(target.timeout));
  out.U8(Byte(target.manualOnly)).U8(Byte(target.channelBundling)).U8(Byte(target.compression));
  WriteIdentification(out, target.remoteIdentification.view());
  WriteIdentification(out, target.localIdentification.view());
  return out.Take();
}

Bytes EncodeRoute(const RouteEntry& route, AddressService& addresses) {
  WireWriter out;
  out.U8(kRouteTable).U16(Word(route.tablePosition));
  out.U32(addresses.ResolveAddress(route.netmask.view()));
  out.U32(addresses.ResolveAddress(route.match.view()));
  out.U32(addresses.ResolveAddress(route.gateway.view()));
  return out.Take();
}

Bytes EncodeFilter(const FilterEntry& filter, AddressService& addresses) {
  WireWriter out;
  out.U8(kFilterTable).U16(Word(filter.tablePosition));
  out.U32(addresses.ResolveAddress(filter.sendNetmask.view()));
  out.U32(addresses.ResolveAddress(filter.sendMatch.view()));
  out.U32(addresses.ResolveAddress(filter.receiveNetmask.view()));
  out.U32(addresses.ResolveAddress(filter.receiveMatch.view()));
  out.U8(Byte(filter.protocol)).U8(Byte(filter.action)).Zeros(2).U16(Word(filter.port));
  return out.Take();
}

Bytes EncodeDeletion(std::uint8_t type, int position) {
  WireWriter out;
  out.U8(type).U16(Word(position));
  return out.Take();
}

Bytes EncodeRouterParameters(const RouterParameters& parameters, AddressService& addresses) {
  WireWriter out;
  out.U32(addresses.ResolveAddress(parameters.name.view()));
  out.U32(addresses.ResolveAddress(parameters.netmask.view()));
  out.Text(parameters.phoneNumber.view(), kPhoneNumberCapacity);
  out.U8(parameters.permanentConnection);
  return out.Take();
}

LineTarget DecodeLineTarget(std::span<const std::uint8_t> payload, const WireContext& wire) {
  LineTarget target;
  if (payload.size() <= kAnswerWithoutEntry)
    return target;
  const auto full = ZeroFilled<kLineTargetAnswerLength>(payload);
  WireReader in(full, 3);
  target.tablePosition = in.U16();
  target.hostName = wire.addresses.FormatAddress(in.U32());
  target.phoneNumber = in.Text(kPhoneNumberCapacity);
  target.layer2Base = in.U8();
  target.layer2Parameters.blockSize = in.U16();
  target.layer2Parameters.addressA = in.U8();
  target.layer2Parameters.addressB = in.U8();
  target.layer2Parameters.modulo = in.U8();
  target.layer2Parameters.windowSize = in.U8();
  target.layer2Protocol =
      wire.tables.FindLayer2ByParameters(target.layer2Parameters, target.layer2Base);
  target.layer3Type = in.U8();
  Layer3Parameters read{};
  for (std::size_t i = 0; i < 6; ++i)
    read[i] = in.U16();
  read[6] = in.U8();
  // The look-up does not interpret the answer's layer-3 parameters: it uses
  // those of the table's first entry. Without a matching entry the target
  // keeps what the router holds, so that it is written back unchanged.
  if (!wire.tables.layer3().empty())
    target.layer3Parameters = wire.tables.layer3()[0].parameters;
  target.layer3Protocol =
      wire.tables.FindLayer3ByParameters(target.layer3Parameters, target.layer3Type);
  if (target.layer3Protocol == kNoProtocol)
    target.layer3Parameters = read;
  in.Seek(50);
  target.timeout = in.U16();
  target.manualOnly = in.U8();
  target.channelBundling = in.U8();
  target.compression = in.U8();
  std::span<const std::uint8_t> bytes(full);
  target.remoteIdentification = JoinIdentification(bytes.subspan(55, kIdentificationField));
  target.localIdentification = JoinIdentification(bytes.subspan(95, kIdentificationField));
  return target;
}

RouteEntry DecodeRoute(std::span<const std::uint8_t> payload, AddressService& addresses) {
  RouteEntry route;
  if (payload.size() <= kAnswerWithoutEntry)
    return route;
  const auto full = ZeroFilled<kRouteAnswerLength>(payload);
  WireReader in(full, 3);
  route.tablePosition = in.U16();
  route.netmask = addresses.FormatAddress(in.U32());
  route.match = addresses.FormatAddress(in.U32());
  route.gateway = addresses.FormatAddress(in.U32());
  return route;
}

FilterEntry DecodeFilter(std::span<const std::uint8_t> payload, AddressService& addresses) {
  FilterEntry filter;
  if (payload.size() <= kAnswerWithoutEntry)
    return filter;
  const auto full = ZeroFilled<kFilterAnswerLength>(payload);
  WireReader in(full, 3);
  filter.tablePosition = in.U16();
  filter.sendNetmask = addresses.FormatAddress(in.U32());
  filter.sendMatch = addresses.FormatAddress(in.U32());
  filter.receiveNetmask = addresses.FormatAddress(in.U32());
  filter.receiveMatch = addresses.FormatAddress(in.U32());
  filter.protocol = in.U8();
  filter.action = in.U8();
  in.Skip(2);
  filter.port = in.U16();
  return filter;
}

Bytes EncodeTableChange(const TableChange<LineTarget>& change, const WireContext& wire) {
  if (change.deleted)
    return EncodeDeletion(kLineTargetTable, change.position);
  return EncodeLineTarget(change.record, wire);
}

Bytes EncodeTableChange(const TableChange<RouteEntry>& change, const WireContext& wire) {
  if (change.deleted)
    return EncodeDeletion(kRouteTable, change.position);
  return EncodeRoute(change.record, wire.addresses);
}

Bytes EncodeTableChange(const TableChange<FilterEntry>& change, const WireContext& wire) {
  if (change.deleted)
    return EncodeDeletion(kFilterTable, change.position);
  return EncodeFilter(change.record, wire.addresses);
}

}  // namespace tarcfg
