// SPDX-License-Identifier: GPL-3.0-or-later
// Firmware images: loading, and writing the router's configuration into
// the reserved area of an image before it is sent to the router's loader.
//
// The records in the image are little-endian, unlike the UDP protocol, and
// each carries an Internet checksum.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "config/configuration.h"
#include "config/records.h"
#include "protocol/table_codec.h"
#include "protocol/wire.h"

namespace tarcfg {

inline constexpr std::size_t kMinimumImageSize = 0x60000;
inline constexpr std::size_t kConfigurationSegmentOffset = 0x5FFF6;
inline constexpr std::size_t kSignatureOffset = 0x5FFFC;
inline constexpr std::uint16_t kImageSignature = 0x4224;
inline constexpr std::uint16_t kImageBaseSegment = 0x8000;
inline constexpr std::uint16_t kRecordMagic = 0xBEEF;

inline constexpr std::uint16_t kRecordRouterParameters = 1;
inline constexpr std::uint16_t kRecordLineTarget = 2;
inline constexpr std::uint16_t kRecordRoute = 3;
inline constexpr std::uint16_t kRecordFilter = 4;
inline constexpr std::size_t kRouterParametersRecordLength = 70;
inline constexpr std::size_t kLineTargetRecordLength = 164;
inline constexpr std::size_t kRouteRecordLength = 28;
inline constexpr std::size_t kFilterRecordLength = 32;

// The whole file, or nothing when it is missing or cannot be read completely.
std::optional<Bytes> LoadFirmwareImage(const std::string& path);

// One's complement of the one's-complement sum of the little-endian 16-bit
// words; an odd last byte counts as a word with a zero high byte.
std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes);

// The image offset where the configuration records go, or nothing when the
// image is too short, lacks the signature, or its configuration segment
// lies before the image.
std::optional<std::size_t> ConfigurationAreaOffset(std::span<const std::uint8_t> image);

// Writes the router parameters, then the line targets (only those with both
// a layer-2 and a layer-3 protocol entry), routes and filters given. False,
// with the image untouched, when the image fails the checks or the records
// would not fit inside it.
bool EmbedConfiguration(Bytes& image, const RouterParameters& parameters,
                        const LineTargetList* lineTargets, const RouteList* routes,
                        const FilterList* filters, const WireContext& wire,
                        std::uint32_t ownAddress);

}  // namespace tarcfg
