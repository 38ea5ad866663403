// SPDX-License-Identifier: GPL-3.0-or-later
// The Prometheus text exposition format, version 0.0.4: metric families
// with their HELP and TYPE lines and samples with escaped label values.
// Plain data in, text out; no network, no clock.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarcfg::metrics {

// The Content-Type of a /metrics answer in this format.
inline constexpr const char* kExpositionContentType = "text/plain; version=0.0.4; charset=utf-8";

enum class MetricType { Gauge, Counter };

struct Label {
  std::string name;
  std::string value;
};

struct Sample {
  std::vector<Label> labels;
  double value = 0;
};

// One metric: its name (counters end in "_total"), its help text, its type
// and its samples, one per label set.
struct MetricFamily {
  std::string name;
  std::string help;
  MetricType type = MetricType::Gauge;
  std::vector<Sample> samples;

  MetricFamily& Add(std::vector<Label> labels, double value) {
    samples.push_back(Sample{std::move(labels), value});
    return *this;
  }
};

// [a-zA-Z_:][a-zA-Z0-9_:]* for metric names; labels without ':'.
bool IsValidMetricName(std::string_view name);
bool IsValidLabelName(std::string_view name);

// A label value between its double quotes: backslash, double quote and
// line feed become \\, \" and \n.
std::string EscapeLabelValue(std::string_view value);
// A HELP text: backslash and line feed become \\ and \n.
std::string EscapeHelp(std::string_view help);
// A sample value: the shortest text that reads back as the same double
// ("3", "0.25", "1.7e+09"), and "NaN", "+Inf", "-Inf".
std::string FormatValue(double value);

// "# HELP", "# TYPE" and one line per sample for every family, in the given
// order. A family without samples still gets its HELP and TYPE lines.
std::string FormatExposition(const std::vector<MetricFamily>& families);

}  // namespace tarcfg::metrics
