// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-token number parsing for the two text formats: decimal, hexadecimal
// with "0x" and octal with a leading 0, the digits filling the whole token.
// Values that do not fit are refused rather than wrapped.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarcfg {

// An unsigned number in one of the three notations, at most `maximum`.
// False for an empty text, a sign, a stray character (such as 8 in octal or
// a bare "0x") or a value above `maximum`.
inline bool ParseUnsignedNumber(std::string_view text, std::uint32_t maximum,
                                std::uint32_t* value) {
  unsigned base = 10;
  std::size_t i = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    i = 2;
  } else if (text.size() >= 2 && text[0] == '0') {
    base = 8;
    i = 1;
  }
  if (i >= text.size())
    return false;
  std::uint64_t result = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    if (digit >= base)
      return false;
    result = result * base + digit;
    if (result > maximum)
      return false;
  }
  *value = static_cast<std::uint32_t>(result);
  return true;
}

// A signed number: an optional "+" or "-" before an unsigned number in one of
// the three notations. False when it does not fill the text or does not fit
// an int.
inline bool ParseSignedNumber(std::string_view text, int* value) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  std::uint32_t magnitude = 0;
  const std::uint32_t limit = negative ? 2147483648u : 2147483647u;
  if (!ParseUnsignedNumber(text, limit, &magnitude))
    return false;
  if (negative) {
    *value = magnitude == 2147483648u ? INT32_MIN : -static_cast<int>(magnitude);
  } else {
    *value = static_cast<int>(magnitude);
  }
  return true;
}

}  // namespace tarcfg
