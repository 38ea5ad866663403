// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/json_writer.h"

#include <cstdio>

#include "config/text_scan.h"

namespace tarcfg::cli {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  // JSON is UTF-8: the routers' 8-bit texts are decoded as the desktop
  // tool shows them.
  for (unsigned char c : TextAsUtf8(text)) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

JsonObject& JsonObject::AddRaw(std::string_view key, std::string_view json) {
  if (text_.size() > 1)
    text_ += ", ";
  text_ += JsonString(key);
  text_ += ": ";
  text_ += json;
  return *this;
}

std::string JsonInlineArray(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i)
    out += (i ? ", " : "") + items[i];
  return out + "]";
}

std::string JsonArrayLines(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i)
    out += (i ? ",\n " : "\n ") + items[i];
  return out + (items.empty() ? "]\n" : "\n]\n");
}

}  // namespace tarcfg::cli
