// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between address texts (dotted quad or host name) and 32-bit
// address values in host byte order, with a 100-entry cache of reverse
// look-ups.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/net_database.h"

namespace tarcfg {

// Strict dotted quad: four decimal numbers 0..255 separated by dots, blanks
// allowed before each number, nothing after the last. No look-ups.
bool ParseDottedQuad(std::string_view text, std::uint32_t* value);

// "%d.%d.%d.%d", most significant octet first.
std::string DottedQuad(std::uint32_t value);

// Ring of the last 100 reverse look-ups (failed ones included).
class NameCache {
 public:
  static constexpr int kSize = 100;

  // The cached text for `address`, or null. Initialises the ring on first use.
  const std::string* Lookup(std::uint32_t address);
  // Overwrites the oldest entry.
  void Store(std::uint32_t address, std::string_view text);

  int writeIndex() const { return writeIndex_; }
  std::uint32_t AddressAt(int index) const {
    return entries_[static_cast<std::size_t>(index)].address;
  }
  const std::string& TextAt(int index) const {
    return entries_[static_cast<std::size_t>(index)].text;
  }

 private:
  void InitialiseOnFirstUse();

  struct Entry {
    std::uint32_t address = 0;
    std::string text;
  };
  std::array<Entry, kSize> entries_{};
  int writeIndex_ = 0;
  bool firstUse_ = true;
};

// Address formatting and resolving under the process-wide name-resolving
// switch. One instance per process; tests make their own.
class AddressService {
 public:
  explicit AddressService(NetDatabase& database) : database_(database) {}

  bool nameResolve() const { return nameResolve_; }
  void SetNameResolve(bool on) { nameResolve_ = on; }

  // A host name when resolving is on and the address qualifies, else the
  // dotted quad. Networks and broadcasts are never looked up.
  std::string FormatAddress(std::uint32_t value);
  // 0 when the text is no strict dotted quad and no resolvable host name.
  std::uint32_t ResolveAddress(std::string_view text);
  // ResolveAddress gives non-zero, or the text is exactly "0.0.0.0".
  bool IsValidAddress(std::string_view text);

  NetDatabase& database() { return database_; }
  NameCache& cache() { return cache_; }

 private:
  NetDatabase& database_;
  NameCache cache_;
  bool nameResolve_ = true;
};

}  // namespace tarcfg
