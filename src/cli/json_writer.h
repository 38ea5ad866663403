// SPDX-License-Identifier: GPL-3.0-or-later
// The JSON tarcfg-cli prints: objects on one line ("key": value, ...) and
// arrays of them one per line, so that scripts and people both read it.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tarcfg::cli {

// Escapes a text for a JSON string literal (with the quotes); a text that
// is not UTF-8 is taken as Latin-1 (TextAsUtf8), so the JSON always is.
std::string JsonString(std::string_view text);

// {"key": value, ...} on one line, members in the order added.
class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view text) {
    return AddRaw(key, JsonString(text));
  }
  JsonObject& Add(std::string_view key, const char* text) { return AddRaw(key, JsonString(text)); }
  JsonObject& Add(std::string_view key, const std::string& text) {
    return AddRaw(key, JsonString(text));
  }
  template <class Number>
  requires std::is_integral_v<Number> JsonObject& Add(std::string_view key, Number value) {
    return AddRaw(key, std::to_string(value));
  }
  JsonObject& AddBool(std::string_view key, bool value) {
    return AddRaw(key, value ? "true" : "false");
  }
  // A value already written as JSON (an array, an object, null).
  JsonObject& AddRaw(std::string_view key, std::string_view json);

  std::string str() const { return text_ + "}"; }

 private:
  std::string text_ = "{";
};

// [a, b] on one line.
std::string JsonInlineArray(const std::vector<std::string>& items);
// "[]\n", or "[\n a,\n b\n]\n": one item a line.
std::string JsonArrayLines(const std::vector<std::string>& items);

}  // namespace tarcfg::cli
