// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration a router holds, and the UDP encodings of its table entries.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/bytes.h"

namespace tarnex_sim {

using HardwareAddress = std::array<uint8_t, 6>;

std::string FormatIp(uint32_t address);
std::optional<uint32_t> ParseIp(const std::string& text);
std::string FormatHardware(const HardwareAddress& hw);
std::optional<HardwareAddress> ParseHardware(const std::string& text);

// Table types as they appear in the first byte of every table request.
enum TableType : uint8_t { kLineTargets = 0xFF, kRoutes = 0xF0, kFilters = 0x0F };

// Identifications travel as 40 raw bytes ("name\0password"); the router keeps
// exactly the bytes it was given and hands them back unchanged.
using Identification = std::array<uint8_t, 40>;
Identification IdentificationFromText(const std::string& text);
std::string IdentificationToText(const Identification& id);

struct LineTarget {
  std::string label;  // local name only, shown in overview answers
  uint32_t address = 0;
  std::string phone;
  uint8_t layer2Base = 1;
  uint16_t blockSize = 1500;
  uint8_t addressA = 3, addressB = 1, modulo = 8, windowSize = 7;
  uint8_t layer3Type = 4;
  std::array<uint16_t, 7> layer3Parameters{0, 0, 0, 0, 0, 0, 8};
  uint16_t timeout = 20;
  uint8_t manualOnly = 0, channelBundling = 0, compression = 0;
  Identification remoteId{};
  Identification localId{};
  std::array<uint32_t, 7> counters{};

  bool operator==(const LineTarget&) const = default;
};

struct Route {
  uint32_t netmask = 0, match = 0, gateway = 0;
  bool operator==(const Route&) const = default;
};

struct Filter {
  uint32_t sendNetmask = 0, sendMatch = 0, receiveNetmask = 0, receiveMatch = 0;
  uint8_t protocol = 0;
  uint8_t action = 1;  // 1 accept, 0 reject
  uint16_t port = 0;
  bool operator==(const Filter&) const = default;
};

struct RouterConfig {
  std::string label;
  HardwareAddress hardware{};
  uint32_t address = 0;  // 0: the router starts in its loader
  uint32_t netmask = 0xFFFFFF00;
  std::string phone;
  uint8_t dChannelProtocol = 1;     // 0 1TR6, other DSS1
  uint8_t permanentConnection = 0;  // 0 switched, 1..3 permanent kinds
  std::string firmwareVersion = "2.10";
  std::string password;  // at most 10 characters are significant
  uint32_t owner = 0;    // host holding the exclusive configuration right
  std::vector<LineTarget> lineTargets;
  std::vector<Route> routes;
  std::vector<Filter> filters;
};

// Named layer-2 / layer-3 presets matching the tool's built-in protocols.
bool ApplyLayer2Preset(const std::string& name, LineTarget& target);
bool ApplyLayer3Preset(const std::string& name, LineTarget& target);
std::string Layer2Name(const LineTarget& target);  // "x75", ... or "custom"
std::string Layer3Name(const LineTarget& target);

// Entry bodies as carried after the type byte and the 2-byte position.
Bytes EncodeLineTargetBody(const LineTarget& t);
Bytes EncodeRouteBody(const Route& r);
Bytes EncodeFilterBody(const Filter& f);
// Decoding needs exactly the body length of the write layout.
constexpr size_t kLineTargetBody = 130, kRouteBody = 12, kFilterBody = 22;
std::optional<LineTarget> DecodeLineTargetBody(std::span<const uint8_t> body);
std::optional<Route> DecodeRouteBody(std::span<const uint8_t> body);
std::optional<Filter> DecodeFilterBody(std::span<const uint8_t> body);

}  // namespace tarnex_sim
