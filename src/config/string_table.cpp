// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/string_table.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace tarcfg {
namespace {

struct StringEntry {
  int id;
  const char* text;
};

constexpr StringEntry kStrings[] = {
#define TARCFG_STRING(id, text) {id, text},
#include TARCFG_STRING_TABLE
#undef TARCFG_STRING
};

}  // namespace

const char* LoadString(int id) {
  for (const auto& entry : kStrings)
    if (entry.id == id)
      return entry.text;
  return "";
}

std::string FormatString(int id, ...) {
  const char* format = LoadString(id);
  va_list args;
  va_start(args, id);
  va_list copy;
  va_copy(copy, args);
  int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (size > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    out.assign(buffer.data(), static_cast<std::size_t>(size));
  }
  va_end(args);
  return out;
}

std::string MessageOnOneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r'))
    text.pop_back();
  return text;
}

}  // namespace tarcfg
