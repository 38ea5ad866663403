// SPDX-License-Identifier: GPL-3.0-or-later
// Firmware images: the synthetic images the emulator creates for demos, and
// the configuration records a loaded image carries for the router to apply.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/bytes.h"
#include "sim/router_model.h"

namespace tarnex_sim {

constexpr size_t kMinimumImageSize = 0x60000;
constexpr size_t kSegmentOffset = 0x5FFF6;
constexpr size_t kSignatureOffset = 0x5FFFC;
constexpr uint16_t kSignature = 0x4224;
constexpr uint16_t kRecordMagic = 0xBEEF;

// Builds an image of at least kMinimumImageSize bytes (size is raised to that)
// whose configuration area lies inside the image, zero-filled, with room for
// a full configuration. The version and protocol go into a small header at 0.
Bytes MakeImage(const std::string& version, uint8_t dChannelProtocol, size_t size);

// Internet checksum over little-endian words; an odd last byte counts as a
// word with a zero high byte.
uint16_t InternetChecksum(std::span<const uint8_t> data);

struct ImageConfiguration {
  uint32_t address = 0;
  uint32_t netmask = 0;
  std::string phone;
  uint8_t permanentConnection = 0;
  uint32_t exclusiveHost = 0;
  std::string password;
  uint8_t dChannelProtocol = 0;
  std::string firmwareVersion;
  std::vector<LineTarget> lineTargets;
  std::vector<Route> routes;
  std::vector<Filter> filters;
  std::string imageVersion;  // from the image header, empty if none
};

struct ImageResult {
  std::optional<ImageConfiguration> configuration;
  std::string error;  // why the image was rejected
};

ImageResult ParseImage(std::span<const uint8_t> image);

// Writes the records for a configuration into an image (used by tests to build
// what the tool would download).
bool EmbedRecords(Bytes& image, const ImageConfiguration& config);

}  // namespace tarnex_sim
