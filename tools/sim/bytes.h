// SPDX-License-Identifier: GPL-3.0-or-later
// Bounds-checked byte readers and writers for datagrams and firmware images.
// Reading past the end never touches memory outside the buffer: the reader
// marks itself as failed and returns zeros, so callers check ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarnex_sim {

using Bytes = std::vector<uint8_t>;

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> data, size_t offset = 0) : data_(data), pos_(offset) {
    if (pos_ > data_.size()) {
      ok_ = false;
      pos_ = data_.size();
    }
  }

  bool ok() const { return ok_; }
  size_t remaining() const { return data_.size() - pos_; }
  size_t position() const { return pos_; }

  uint8_t U8() {
    if (!Need(1))
      return 0;
    return data_[pos_++];
  }
  uint16_t U16be() {
    if (!Need(2))
      return 0;
    uint16_t v = static_cast<uint16_t>(data_[pos_] << 8 | data_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  uint32_t U32be() {
    if (!Need(4))
      return 0;
    uint32_t v = uint32_t(data_[pos_]) << 24 | uint32_t(data_[pos_ + 1]) << 16 |
                 uint32_t(data_[pos_ + 2]) << 8 | uint32_t(data_[pos_ + 3]);
    pos_ += 4;
    return v;
  }
  uint16_t U16le() {
    if (!Need(2))
      return 0;
    uint16_t v = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
  }
  uint32_t U32le() {
    if (!Need(4))
      return 0;
    uint32_t v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 |
                 uint32_t(data_[pos_ + 2]) << 16 | uint32_t(data_[pos_ + 3]) << 24;
    pos_ += 4;
    return v;
  }
  // A fixed-width text field: taken up to its first zero byte.
  std::string Text(size_t width) {
    if (!Need(width))
      return {};
    std::string s;
    for (size_t i = 0; i < width && data_[pos_ + i] != 0; ++i)
      s.push_back(char(data_[pos_ + i]));
    pos_ += width;
    return s;
  }
  Bytes Raw(size_t width) {
    if (!Need(width))
      return Bytes(width, 0);
    Bytes b(data_.begin() + pos_, data_.begin() + pos_ + width);
    pos_ += width;
    return b;
  }
  void Skip(size_t n) {
    if (Need(n))
      pos_ += n;
  }

 private:
  bool Need(size_t n) {
    if (!ok_ || data_.size() - pos_ < n) {
      ok_ = false;
      return false;
    }
    return true;
  }

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

class Writer {
 public:
  Bytes& bytes() { return out_; }
  Bytes Take() { return std::move(out_); }

  Writer& U8(uint8_t v) {
    out_.push_back(v);
    return *this;
  }
  Writer& U16be(uint16_t v) { return U8(uint8_t(v >> 8)).U8(uint8_t(v)); }
  Writer& U32be(uint32_t v) { return U16be(uint16_t(v >> 16)).U16be(uint16_t(v)); }
  Writer& U16le(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
  Writer& U32le(uint32_t v) { return U16le(uint16_t(v)).U16le(uint16_t(v >> 16)); }
  // Bounded copy: zero bytes after the text, no terminator when it fills the field.
  Writer& Text(const std::string& s, size_t width) {
    for (size_t i = 0; i < width; ++i)
      U8(i < s.size() ? uint8_t(s[i]) : 0);
    return *this;
  }
  Writer& Raw(std::span<const uint8_t> b) {
    out_.insert(out_.end(), b.begin(), b.end());
    return *this;
  }
  Writer& Zeros(size_t n) {
    out_.insert(out_.end(), n, 0);
    return *this;
  }

 private:
  Bytes out_;
};

}  // namespace tarnex_sim
