// SPDX-License-Identifier: GPL-3.0-or-later
// Allocation that ends the program when memory runs out, whole-file reading,
// the line reader and token scanner of the two text formats, and the
// decoding of the routers' 8-bit texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarcfg {

// A zero-filled block of `size` bytes. When memory cannot be had, prints
// "Memory Allocation Error - Try To Alloc %d Bytes\n" to standard output and
// ends the process with status 99; callers never see a failure.
std::vector<std::uint8_t> AllocateRecord(std::size_t size);

// The whole file as raw bytes, or nothing when it cannot be read completely.
std::optional<std::vector<std::uint8_t>> ReadFileWhole(const std::string& path);

// Reads a text file line by line, at most 2047 characters a piece. The line
// end stays as the last character ("\n"; a CR before it belongs to the line
// end and is dropped); tabs become blanks.
class ConfigLineReader {
 public:
  static constexpr std::size_t kMaxPiece = 2047;

  explicit ConfigLineReader(std::FILE* file) : file_(file) {}
  ~ConfigLineReader();
  ConfigLineReader(const ConfigLineReader&) = delete;
  ConfigLineReader& operator=(const ConfigLineReader&) = delete;

  // The next line (valid until the next call), or null at the end of the file.
  const char* ReadConfigLine();

 private:
  std::FILE* file_;
  char buffer_[kMaxPiece + 1] = {};
};

// Scans the next token from `position`: skips blanks and tabs, stores where
// the token starts in *start (also when none follows), copies the token to
// `token`. Gives the position after the token, or null when the line holds
// no further token (then `token` is empty).
const char* NextToken(const char* position, std::string& token, const char** start);

// Turns A-Z into a-z in place.
void LowerCaseText(std::string& text);
void LowerCaseText(char* text);

// A text of a router, a file or a message as UTF-8, as both front ends show
// it: bytes that are valid UTF-8 stay as they are, anything else is taken as
// Latin-1 (the routers' 8-bit texts) and converted.
std::string TextAsUtf8(std::string_view bytes);

}  // namespace tarcfg
