// SPDX-License-Identifier: GPL-3.0-or-later
// Bounds-checked readers and writers for datagrams and firmware images.
//
// Router messages are big-endian; the configuration records inside a
// firmware image are little-endian. A reader never touches memory outside
// its buffer: a read past the end marks the reader as failed and gives
// zeros, so a handler checks the length once and decodes without worry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarcfg {

using Bytes = std::vector<std::uint8_t>;

class WireReader {
 public:
  explicit WireReader(std::span<const std::uint8_t> data, std::size_t offset = 0)
      : data_(data), pos_(offset) {
    if (pos_ > data_.size()) {
      ok_ = false;
      pos_ = data_.size();
    }
  }

  bool ok() const { return ok_; }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return data_.size() - pos_; }

  void Seek(std::size_t offset) {
    if (offset > data_.size()) {
      ok_ = false;
      pos_ = data_.size();
      return;
    }
    pos_ = offset;
  }
  void Skip(std::size_t n) {
    if (Need(n))
      pos_ += n;
  }

  std::uint8_t U8() {
    if (!Need(1))
      return 0;
    return data_[pos_++];
  }
  std::uint16_t U16() {
    if (!Need(2))
      return 0;
    auto v = static_cast<std::uint16_t>(data_[pos_] << 8 | data_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  std::uint32_t U32() {
    if (!Need(4))
      return 0;
    std::uint32_t v = std::uint32_t{data_[pos_]} << 24 | std::uint32_t{data_[pos_ + 1]} << 16 |
                      std::uint32_t{data_[pos_ + 2]} << 8 | std::uint32_t{data_[pos_ + 3]};
    pos_ += 4;
    return v;
  }
  std::uint16_t U16le() {
    if (!Need(2))
      return 0;
    auto v = static_cast<std::uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
  }
  // A fixed-width text field, taken up to its first zero byte.
  std::string Text(std::size_t width) {
    if (!Need(width))
      return {};
    std::string text;
    for (std::size_t i = 0; i < width && data_[pos_ + i] != 0; ++i)
      text.push_back(static_cast<char>(data_[pos_ + i]));
    pos_ += width;
    return text;
  }
  Bytes Raw(std::size_t width) {
    if (!Need(width))
      return Bytes(width, 0);
    Bytes raw(data_.begin() + static_cast<std::ptrdiff_t>(pos_),
              data_.begin() + static_cast<std::ptrdiff_t>(pos_ + width));
    pos_ += width;
    return raw;
  }

 private:
  bool Need(std::size_t n) {
    if (!ok_ || data_.size() - pos_ < n) {
      ok_ = false;
      return false;
    }
    return true;
  }

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

class WireWriter {
 public:
  const Bytes& bytes() const { return out_; }
  Bytes Take() { return std::move(out_); }
  std::size_t size() const { return out_.size(); }

  WireWriter& U8(std::uint8_t v) {
    out_.push_back(v);
    return *this;
  }
  WireWriter& U16(std::uint16_t v) {
    return U8(static_cast<std::uint8_t>(v >> 8)).U8(static_cast<std::uint8_t>(v));
  }
  WireWriter& U32(std::uint32_t v) {
    return U16(static_cast<std::uint16_t>(v >> 16)).U16(static_cast<std::uint16_t>(v));
  }
  WireWriter& U16le(std::uint16_t v) {
    return U8(static_cast<std::uint8_t>(v)).U8(static_cast<std::uint8_t>(v >> 8));
  }
  WireWriter& U32le(std::uint32_t v) {
    return U16le(static_cast<std::uint16_t>(v)).U16le(static_cast<std::uint16_t>(v >> 16));
  }
  // A bounded copy: zero bytes after the text, no terminator when it fills
  // the field; the text stops at an embedded zero byte.
  WireWriter& Text(std::string_view text, std::size_t width) {
    bool ended = false;
    for (std::size_t i = 0; i < width; ++i) {
      if (i >= text.size() || text[i] == '\0')
        ended = true;
      U8(ended ? 0 : static_cast<std::uint8_t>(text[i]));
    }
    return *this;
  }
  WireWriter& Raw(std::span<const std::uint8_t> raw) {
    out_.insert(out_.end(), raw.begin(), raw.end());
    return *this;
  }
  WireWriter& Zeros(std::size_t n) {
    out_.insert(out_.end(), n, 0);
    return *this;
  }

 private:
  Bytes out_;
};

// A copy of `data` zero-filled (or cut) to exactly `length` bytes, so a
// short answer decodes as if its missing tail were zero.
inline Bytes ZeroFilledCopy(std::span<const std::uint8_t> data, std::size_t length) {
  Bytes copy(length, 0);
  for (std::size_t i = 0; i < length && i < data.size(); ++i)
    copy[i] = data[i];
  return copy;
}

}  // namespace tarcfg
