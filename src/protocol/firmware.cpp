// SPDX-License-Identifier: GPL-3.0-or-later
// Firmware images: loading them and embedding a configuration in them.
#include <cstring>

#include "config/text_scan.h"
#include "protocol/firmware_image.h"
#include "protocol/router_protocol.h"

namespace tarcfg {

namespace {

inline constexpr std::uint16_t kMaximumTransferUnit = 1504;
inline constexpr std::uint8_t kLayer2ParameterLength = 9;
inline constexpr std::uint8_t kLayer3ParameterLength = 14;
inline constexpr std::size_t kChecksumOffset = 2;

std::uint8_t Byte(int value) {
  return static_cast<std::uint8_t>(value);
}
std::uint16_t Word(int value) {
  return static_cast<std::uint16_t>(value);
}

WireWriter RecordHeader(std::uint16_t type, std::size_t length, int index) {
  WireWriter out;
  out.U16le(kRecordMagic).U16le(0).U16le(type).U16le(Word(static_cast<int>(length)));
  out.U16le(Word(index));
  return out;
}

// Stores the checksum of the finished record in its header.
Bytes Seal(WireWriter& record) {
  Bytes bytes = record.Take();
  std::uint16_t checksum = InternetChecksum(bytes);
  bytes[kChecksumOffset] = static_cast<std::uint8_t>(checksum);
  bytes[kChecksumOffset + 1] = static_cast<std::uint8_t>(checksum >> 8);
  return bytes;
}

Bytes ParametersRecord(const RouterParameters& parameters, const WireContext& wire,
                       std::uint32_t ownAddress) {
  std::uint32_t address = wire.addresses.ResolveAddress(parameters.name.view());
  std::uint32_t netmask = wire.addresses.ResolveAddress(parameters.netmask.view());
  WireWriter out = RecordHeader(kRecordRouterParameters, kRouterParametersRecordLength, 0);
  out.U32le(address).U32le(netmask).U32le(address | ~netmask).U16le(kMaximumTransferUnit);
  out.Text(parameters.phoneNumber.view(), kPhoneNumberCapacity);
  out.U8(parameters.permanentConnection);
  out.U32le(parameters.exclusiveToThisHost ? ownAddress : 0);
  out.Text(parameters.password.view(), kPasswordWireLength);
  out.U8(parameters.dChannelProtocol);
  out.Text(parameters.firmwareVersion.view(), 10);
  return Seal(out);
}

Bytes LineTargetRecord(const LineTarget& target, const Layer2Protocol& layer2,
                       const Layer3Protocol& layer3, int index, const WireContext& wire) {
  WireWriter out = RecordHeader(kRecordLineTarget, kLineTargetRecordLength, index);
  out.U32le(wire.addresses.ResolveAddress(target.hostName.view())).Zeros(4);
  out.Text(target.phoneNumber.view(), kPhoneNumberCapacity).Zeros(5);
  out.U8(Byte(target.layer2Base)).U8(kLayer2ParameterLength).U16le(layer2.parameters.blockSize);
  out.U8(layer2.parameters.addressA).U8(layer2.parameters.addressB);
  out.U8(layer2.parameters.modulo).U8(layer2.parameters.windowSize).Zeros(2);
  out.U8(Byte(target.layer3Type)).U8(kLayer3ParameterLength);
  for (std::size_t i = 0; i < 6; ++i)
    out.U16le(layer3.parameters[i]);
  out.U8(static_cast<std::uint8_t>(layer3.parameters[6]));
  out.U16le(Word(target.timeout)).U8(Byte(target.compression)).U8(Byte(target.manualOnly));
  WriteIdentification(out, target.localIdentification.view());
  WriteIdentification(out, target.remoteIdentification.view());
  std::uint16_t channels = target.channelBundling ? 2 : 1;
  out.U16le(channels).U16le(channels).Zeros(8);
  return Seal(out);
}

Bytes RouteRecord(const RouteEntry& route, int index, const WireContext& wire) {
  WireWriter out = RecordHeader(kRecordRoute, kRouteRecordLength, index);
  out.Zeros(2).U32le(wire.addresses.ResolveAddress(route.netmask.view()));
  out.U32le(wire.addresses.ResolveAddress(route.match.view())).Zeros(4);
  out.U32le(wire.addresses.ResolveAddress(route.gateway.view()));
  return Seal(out);
}

Bytes FilterRecord(const FilterEntry& filter, int index, const WireContext& wire) {
  WireWriter out = RecordHeader(kRecordFilter, kFilterRecordLength, index);
  out.U8(Byte(filter.action)).U8(Byte(filter.protocol));
  out.U32le(wire.addresses.ResolveAddress(filter.sendNetmask.view()));
  out.U32le(wire.addresses.ResolveAddress(filter.sendMatch.view()));
  out.U32le(wire.addresses.ResolveAddress(filter.receiveNetmask.view()));
  out.U32le(wire.addresses.ResolveAddress(filter.receiveMatch.view()));
  out.Zeros(2).U16le(Word(filter.port));
  return Seal(out);
}

}  // namespace

std::optional<Bytes> LoadFirmwareImage(const std::string& path) {
  return ReadFileWhole(path);
}

std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2)
    sum += static_cast<std::uint32_t>(bytes[i] | bytes[i + 1] << 8);
  if (i < bytes.size())
    sum += bytes[i];
  while (sum > 0xFFFF)
    sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum);
}

std::optional<std::size_t> ConfigurationAreaOffset(std::span<const std::uint8_t> image) {
  if (image.size() < kMinimumImageSize)
    return std::nullopt;
  WireReader in(image, kSignatureOffset);
  if (in.U16le() != kImageSignature)
    return std::nullopt;
  in.Seek(kConfigurationSegmentOffset);
  std::uint16_t segment = in.U16le();
  if (segment < kImageBaseSegment)
    return std::nullopt;
  return static_cast<std::size_t>(segment - kImageBaseSegment) * 16;
}

bool EmbedConfiguration(Bytes& image, const RouterParameters& parameters,
                        const LineTargetList* lineTargets, const RouteList* routes,
                        const FilterList* filters, const WireContext& wire,
                        std::uint32_t ownAddress) {
  std::optional<std::size_t> start = ConfigurationAreaOffset(image);
  if (!start)
    return false;

  std::vector<Bytes> records;
  records.push_back(ParametersRecord(parameters, wire, ownAddress));
  if (lineTargets) {
    int index = 0;
    for (const LineTarget& target : *lineTargets) {
      const Layer2Protocol* layer2 = wire.tables.Layer2At(target.layer2Protocol);
      const Layer3Protocol* layer3 = wire.tables.Layer3At(target.layer3Protocol);
      if (layer2 == nullptr || layer3 == nullptr)
        continue;
      records.push_back(LineTargetRecord(target, *layer2, *layer3, index++, wire));
    }
  }
  if (routes) {
    int index = 0;
    for (const RouteEntry& route : *routes)
      records.push_back(RouteRecord(route, index++, wire));
  }
  if (filters) {
    int index = 0;
    for (const FilterEntry& filter : *filters)
      records.push_back(FilterRecord(filter, index++, wire));
  }

  std::size_t total = 0;
  for (const Bytes& record : records)
    total += record.size();
  if (*start > image.size() || image.size() - *start < total)
    return false;

  std::size_t position = *start;
  for (const Bytes& record : records) {
    std::memcpy(image.data() + position, record.data(), record.size());
    position += record.size();
  }
  return true;
}

}  // namespace tarcfg
