// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/string_table.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <list>
#include <map>
#include <mutex>
#include <vector>

// The table marks its texts for lupdate; here they are plain literals.
#define QT_TRANSLATE_NOOP3(context, text, number) text

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

// Translations asked once and kept, so that the pointers LoadString hands
// out stay valid; a new translator starts a new map and keeps the old ones.
struct Translations {
  std::mutex mutex;
  StringTranslator translator = nullptr;
  std::list<std::map<int, std::string>> maps{1};
};

Translations& TheTranslations() {
  static Translations translations;
  return translations;
}

}  // namespace

void SetStringTranslator(StringTranslator translator) {
  Translations& t = TheTranslations();
  std::lock_guard lock(t.mutex);
  t.translator = translator;
  t.maps.emplace_back();
}

const char* LoadEnglishString(int id) {
  for (const auto& entry : kStrings)
    if (entry.id == id)
      return entry.text;
  return "";
}

const char* LoadString(int id) {
  const char* english = LoadEnglishString(id);
  Translations& t = TheTranslations();
  std::lock_guard lock(t.mutex);
  if (t.translator == nullptr || *english == '\0')
    return english;
  auto& current = t.maps.back();
  auto found = current.find(id);
  if (found == current.end())
    found = current.emplace(id, t.translator(id, english)).first;
  return found->second.empty() ? english : found->second.c_str();
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
