// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/text_scan.h"

#include <sys/stat.h>

#include <cstdlib>
#include <new>

#include "config/unreadable_bytes.h"

namespace tarcfg {

std::vector<std::uint8_t> AllocateRecord(std::size_t size) {
  try {
    return std::vector<std::uint8_t>(size, 0);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  std::printf("Memory Allocation Error - Try To Alloc %d Bytes\n", static_cast<int>(size));
  std::fflush(stdout);
  std::exit(99);
}

std::optional<std::vector<std::uint8_t>> ReadFileWhole(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return std::nullopt;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file)
    return std::nullopt;
  auto buffer = AllocateRecord(static_cast<std::size_t>(info.st_size));
  const std::size_t read = buffer.empty() ? 0 : std::fread(buffer.data(), 1, buffer.size(), file);
  std::fclose(file);
  if (read < buffer.size())
    return std::nullopt;
  return buffer;
}

ConfigLineReader::~ConfigLineReader() {
  MarkBytesReadable(buffer_, sizeof buffer_);
}

const char* ConfigLineReader::ReadConfigLine() {
  if (!file_)
    return nullptr;
  MarkBytesReadable(buffer_, sizeof buffer_);
  std::size_t n = 0;
  int c = 0;
  while (n < kMaxPiece) {
    c = std::fgetc(file_);
    if (c == EOF)
      break;
    if (c == '\r') {
      // A CR right before LF belongs to the line end.
      int next = std::fgetc(file_);
      if (next == '\n') {
        c = '\n';
      } else if (next != EOF) {
        std::ungetc(next, file_);
      }
    }
    buffer_[n++] = static_cast<char>(c == '\t' ? ' ' : c);
    if (c == '\n')
      break;
  }
  if (n == 0)
    return nullptr;
  buffer_[n] = '\0';
  // Nothing behind the terminator belongs to this line.
  MarkBytesUnreadable(buffer_ + n + 1, sizeof buffer_ - n - 1);
  return buffer_;
}

const char* NextToken(const char* position, std::string& token, const char** start) {
  token.clear();
  if (!position) {
    if (start)
      *start = nullptr;
    return nullptr;
  }
  while (*position == ' ' || *position == '\t')
    ++position;
  if (start)
    *start = position;
  if (*position == '\n' || *position == '\0')
    return nullptr;
  const char* end = position;
  while (*end != ' ' && *end != '\t' && *end != '\n' && *end != '\0')
    ++end;
  token.assign(position, end);
  return end;
}

void LowerCaseText(std::string& text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
}

void LowerCaseText(char* text) {
  for (; text && *text; ++text)
    if (*text >= 'A' && *text <= 'Z')
      *text = static_cast<char>(*text - 'A' + 'a');
}

namespace {

// Whether `bytes` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    std::uint32_t low = 0;  // the smallest code point of this length
    std::uint32_t code = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, low = 0x80, code = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, low = 0x800, code = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, low = 0x10000, code = lead & 0x07u;
    } else {
      return false;
    }
    if (bytes.size() - i < length)
      return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80)
        return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return false;
    i += length;
  }
  return true;
}

}  // namespace

std::string TextAsUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes))
    return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

}  // namespace tarcfg
