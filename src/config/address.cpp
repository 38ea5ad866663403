// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/address.h"

#include <arpa/inet.h>

#include <cstdio>

#include "config/records.h"

namespace tarcfg {

bool ParseDottedQuad(std::string_view text, std::uint32_t* value) {
  std::size_t i = 0;
  auto at = [&](std::size_t k) -> char { return k < text.size() ? text[k] : '\0'; };
  std::uint32_t result = 0;
  for (int part = 0; part < 4; ++part) {
    while (at(i) == ' ')
      ++i;
    if (at(i) < '0' || at(i) > '9')
      return false;
    std::uint32_t number = 0;
    while (at(i) >= '0' && at(i) <= '9') {
      number = number * 10 + static_cast<std::uint32_t>(at(i) - '0');
      if (number > 255)
        return false;
      ++i;
    }
    if (part < 3) {
      if (at(i) != '.')
        return false;
      ++i;
    }
    result = (result << 8) + number;
  }
  if (at(i) != '\0')
    return false;
  if (value)
    *value = result;
  return true;
}

std::string DottedQuad(std::uint32_t value) {
  // Digit by digit: snprintf took some 1800 instructions per address, more
  // than the rest of decoding a table entry that holds four of them.
  char text[16];
  char* end = text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const std::uint32_t part = (value >> shift) & 0xFF;
    if (part >= 100)
      *end++ = static_cast<char>('0' + part / 100);
    if (part >= 10)
      *end++ = static_cast<char>('0' + part / 10 % 10);
    *end++ = static_cast<char>('0' + part % 10);
    if (shift > 0)
      *end++ = '.';
  }
  return std::string(text, end);
}

void NameCache::InitialiseOnFirstUse() {
  if (!firstUse_)
    return;
  for (auto& entry : entries_)
    entry = Entry{};
  entries_[0].address = 0;
  entries_[0].text = "0.0.0.0";
  writeIndex_ = 1;
  firstUse_ = false;
}

const std::string* NameCache::Lookup(std::uint32_t address) {
  InitialiseOnFirstUse();
  for (const auto& entry : entries_)
    if (entry.address == address)
      return &entry.text;
  return nullptr;
}

void NameCache::Store(std::uint32_t address, std::string_view text) {
  InitialiseOnFirstUse();
  auto& entry = entries_[static_cast<std::size_t>(writeIndex_)];
  entry.address = address;
  entry.text.assign(text.substr(0, kAddressTextCapacity));
  writeIndex_ = (writeIndex_ + 1) % kSize;
}

std::string AddressService::FormatAddress(std::uint32_t value) {
  if (!nameResolve_)
    return DottedQuad(value);
  const std::uint32_t first = value >> 24, last = value & 0xFF;
  if (first == 255 || last == 0 || last == 255)
    return DottedQuad(value);
  if (const std::string* cached = cache_.Lookup(value))
    return *cached;
  std::string text;
  auto name = database_.HostNameOf(value);
  if (name && name->size() <= kAddressTextCapacity)
    text = *name;
  else
    text = DottedQuad(value);
  cache_.Store(value, text);
  return text;
}

std::uint32_t AddressService::ResolveAddress(std::string_view text) {
  std::uint32_t value = 0;
  if (ParseDottedQuad(text, &value))
    return value;
  if (text.empty())
    return 0;
  // Forms the classic numeric parser would take (hexadecimal or octal parts,
  // fewer than four parts, text after the address) are not addresses here.
  const std::string copy(text);
  in_addr parsed{};
  if (inet_aton(copy.c_str(), &parsed) != 0)
    return 0;
  if (!nameResolve_)
    return 0;
  auto address = database_.AddressOfHost(text);
  return address ? *address : 0;
}

bool AddressService::IsValidAddress(std::string_view text) {
  return ResolveAddress(text) != 0 || text == "0.0.0.0";
}

}  // namespace tarcfg
