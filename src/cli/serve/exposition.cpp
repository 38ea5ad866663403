// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/exposition.h"

#include <charconv>
#include <cmath>

namespace tarcfg::metrics {
namespace {

bool IsNameCharacter(char c, bool first, bool colon) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_')
    return true;
  if (colon && c == ':')
    return true;
  return !first && c >= '0' && c <= '9';
}

bool IsValidName(std::string_view name, bool colon) {
  if (name.empty())
    return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (!IsNameCharacter(name[i], i == 0, colon))
      return false;
  return true;
}

}  // namespace

bool IsValidMetricName(std::string_view name) {
  return IsValidName(name, true);
}

bool IsValidLabelName(std::string_view name) {
  return IsValidName(name, false) && name.substr(0, 2) != "__";
}

std::string EscapeLabelValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string EscapeHelp(std::string_view help) {
  std::string out;
  out.reserve(help.size());
  for (char c : help) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::string FormatValue(double value) {
  if (std::isnan(value))
    return "NaN";
  if (std::isinf(value))
    return value > 0 ? "+Inf" : "-Inf";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string FormatExposition(const std::vector<MetricFamily>& families) {
  std::string out;
  for (const MetricFamily& family : families) {
    out += "# HELP " + family.name + " " + EscapeHelp(family.help) + "\n";
    out += "# TYPE " + family.name + " " +
           (family.type == MetricType::Counter ? "counter" : "gauge") + "\n";
    for (const Sample& sample : family.samples) {
      out += family.name;
      if (!sample.labels.empty()) {
        out += '{';
        for (std::size_t i = 0; i < sample.labels.size(); ++i) {
          if (i)
            out += ',';
          out += sample.labels[i].name + "=\"" + EscapeLabelValue(sample.labels[i].value) + "\"";
        }
        out += '}';
      }
      out += ' ' + FormatValue(sample.value) + '\n';
    }
  }
  return out;
}

}  // namespace tarcfg::metrics
