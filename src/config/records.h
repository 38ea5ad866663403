// SPDX-License-Identifier: GPL-3.0-or-later
// The records that make up one router's configuration, and the two protocol
// tables a line target picks its layer-2 and layer-3 protocols from.
//
// Records are plain values. A new record is "zero-filled": empty texts, zero
// numbers and no protocol reference. NewLineTarget() gives the values a new
// line target starts with in the editor.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "config/fixed_text.h"

namespace tarcfg {

// Text capacities (characters, without the terminator).
inline constexpr std::size_t kAddressTextCapacity = 256;
inline constexpr std::size_t kPhoneNumberCapacity = 20;
inline constexpr std::size_t kIdentificationCapacity = 40;
inline constexpr std::size_t kPasswordCapacity = 12;
inline constexpr std::size_t kPasswordWireLength = 10;
inline constexpr std::size_t kProtocolNameCapacity = 11;
inline constexpr std::size_t kFirmwareVersionCapacity = 9;

using AddressText = FixedText<kAddressTextCapacity>;
using PhoneText = FixedText<kPhoneNumberCapacity>;
using IdentificationText = FixedText<kIdentificationCapacity>;
using ProtocolName = FixedText<kProtocolNameCapacity>;

// Limits of one configuration.
inline constexpr int kMaxLineTargets = 30;
inline constexpr int kMaxLineTargetsPermanent = 1;
inline constexpr int kMaxRoutes = 64;
inline constexpr int kMaxFilters = 64;  // including the closing default entry
inline constexpr int kMaxProtocolsPerTable = 20;

// Base kinds of layer-2 protocols and kinds of layer-3 protocols.
inline constexpr int kLayer2BaseX75 = 1;
inline constexpr int kLayer2BaseHdlc = 2;
inline constexpr int kLayer2BasePpp = 255;
inline constexpr int kLayer3TypeNull = 4;
inline constexpr int kLayer3TypeT70nl = 1;
inline constexpr int kLayer3TypePpp = 255;

// A protocol reference is an index into its table; tables only grow, so an
// index stays valid for the life of the tables.
inline constexpr int kNoProtocol = -1;

struct RouterParameters {
  AddressText name;  // router name or dotted address
  AddressText netmask;
  PhoneText phoneNumber;
  std::uint8_t dChannelProtocol = 0;  // 0 = 1TR6, other = DSS1
  FixedText<kFirmwareVersionCapacity> firmwareVersion;
  std::uint8_t permanentConnection = 0;  // 0 switched, else a connection of kOperatingModes
  FixedText<kPasswordCapacity> password;
  int exclusiveToThisHost = 0;
};

struct Layer2Parameters {
  std::uint16_t blockSize = 0;
  std::uint8_t addressA = 0;
  std::uint8_t addressB = 0;
  std::uint8_t modulo = 0;
  std::uint8_t windowSize = 0;
  bool operator==(const Layer2Parameters&) const = default;
};

using Layer3Parameters = std::array<std::uint16_t, 7>;

struct LineTarget {
  AddressText hostName;
  PhoneText phoneNumber;
  int createDefaultRoute = 0;
  int layer2Base = 0;
  int layer2Protocol = kNoProtocol;
  Layer2Parameters layer2Parameters;
  int layer3Type = 0;
  int layer3Protocol = kNoProtocol;
  Layer3Parameters layer3Parameters{};
  IdentificationText remoteIdentification;
  IdentificationText localIdentification;
  int timeout = 0;
  int manualOnly = 0;
  int channelBundling = 0;
  int compression = 0;
  std::array<std::uint32_t, 7> accountingCounters{};
  int tablePosition = 0;
};

struct RouteEntry {
  AddressText netmask;
  AddressText match;
  AddressText gateway;
  int tablePosition = 0;
};

struct FilterEntry {
  AddressText sendNetmask;
  AddressText sendMatch;
  AddressText receiveNetmask;
  AddressText receiveMatch;
  int protocol = 0;  // IP protocol number; 0 with port 0 = every service
  int port = 0;
  int action = 0;  // 1 accept, 0 reject
  int tablePosition = 0;
};

struct Layer2Protocol {
  ProtocolName name;
  int base = 0;
  int reserved = 0;
  Layer2Parameters parameters;
};

struct Layer3Protocol {
  ProtocolName name;
  int type = 0;
  int reserved = 0;
  Layer3Parameters parameters{};
};

// Equality as the lists compare records: only the fields the router keeps.
bool SameLineTarget(const LineTarget& a, const LineTarget& b);
bool SameRoute(const RouteEntry& a, const RouteEntry& b);
bool SameFilter(const FilterEntry& a, const FilterEntry& b);

// The values of a new line target: x75 / null, time-out 20, default route on.
LineTarget NewLineTarget();

// The two filter entries that match every packet; one closes every filter list.
const FilterEntry& DefaultFilterAccept();
const FilterEntry& DefaultFilterReject();
bool IsDefaultFilter(const FilterEntry& entry);

// The layer-2 and layer-3 protocol tables: three built-in entries each, the
// layer-2 table extended from the protocol definition file.
class ProtocolTables {
 public:
  ProtocolTables();  // holds the built-in entries

  void Reset();  // back to the built-in entries only

  const std::vector<Layer2Protocol>& layer2() const { return layer2_; }
  const std::vector<Layer3Protocol>& layer3() const { return layer3_; }
  const Layer2Protocol* Layer2At(int index) const;
  const Layer3Protocol* Layer3At(int index) const;

  // False when the layer-2 table is full.
  bool AppendLayer2(const Layer2Protocol& entry);

  int FindLayer2ByName(std::string_view name) const;
  int FindLayer3ByName(std::string_view name) const;
  int FindLayer2ByParameters(const Layer2Parameters& parameters, int base) const;
  int FindLayer3ByParameters(const Layer3Parameters& parameters, int type) const;

 private:
  std::vector<Layer2Protocol> layer2_;
  std::vector<Layer3Protocol> layer3_;
};

}  // namespace tarcfg
