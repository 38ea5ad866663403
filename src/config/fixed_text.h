// SPDX-License-Identifier: GPL-3.0-or-later
// Fixed-capacity, terminated 8-bit text as the router records hold it.
//
// Every text that enters a record goes through Set(), which keeps at most
// `Capacity` characters, so a record can never hold more than the router or
// the file format allows. Unused bytes are always zero, which keeps equality
// a plain byte comparison.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace tarcfg {

template <std::size_t Capacity>
class FixedText {
 public:
  static constexpr std::size_t capacity = Capacity;

  FixedText() = default;
  FixedText(std::string_view text) { Set(text); }  // NOLINT: implicit by design
  FixedText(const char* text) { Set(text ? std::string_view(text) : std::string_view()); }

  // Stores at most `Capacity` characters of `text`, stopping at an embedded NUL.
  void Set(std::string_view text) {
    data_.fill(0);
    std::size_t n = 0;
    while (n < text.size() && n < Capacity && text[n] != '\0') {
      data_[n] = text[n];
      ++n;
    }
  }
  FixedText& operator=(std::string_view text) {
    Set(text);
    return *this;
  }
  FixedText& operator=(const char* text) {
    Set(text ? std::string_view(text) : std::string_view());
    return *this;
  }

  // True when `text` fits without being cut.
  static bool Fits(std::string_view text) { return text.size() <= Capacity; }

  std::size_t size() const { return std::strlen(data_.data()); }
  bool empty() const { return data_[0] == '\0'; }
  const char* c_str() const { return data_.data(); }
  std::string_view view() const { return std::string_view(data_.data(), size()); }
  std::string str() const { return std::string(view()); }
  operator std::string_view() const { return view(); }  // NOLINT

  bool operator==(const FixedText& other) const { return data_ == other.data_; }
  bool operator==(std::string_view other) const { return view() == other; }
  bool operator==(const char* other) const {
    return view() == std::string_view(other ? other : "");
  }

 private:
  std::array<char, Capacity + 1> data_{};
};

}  // namespace tarcfg
