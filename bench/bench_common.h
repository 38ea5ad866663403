// SPDX-License-Identifier: GPL-3.0-or-later
// What the benchmark programs share: a monotonic clock, order statistics and
// the closing result line that scripts/bench turns into its table:
//
//   result: <benchmark> | <measured> | <goal> | met|NOT met
#pragma once

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

namespace bench {

// CLOCK_MONOTONIC in nanoseconds: the same clock in every process of the
// machine, so a parent can compare its own readings with a child's.
inline std::int64_t NowNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

// The calling thread's CPU time (user and system) in nanoseconds: what the
// tool itself spends of an exchange, the rest being the wait for the link
// and the other side.
inline std::int64_t ThreadCpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

inline double Median(std::vector<double> values) {
  if (values.empty())
    return 0;
  std::sort(values.begin(), values.end());
  std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline double Mean(const std::vector<double>& values) {
  if (values.empty())
    return 0;
  return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

inline double Max(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

inline void Result(const std::string& benchmark, const std::string& measured,
                   const std::string& goal, bool met) {
  std::printf("result: %s | %s | %s | %s\n", benchmark.c_str(), measured.c_str(), goal.c_str(),
              met ? "met" : "NOT met");
  std::fflush(stdout);
}

// A row without a goal of its own, e.g. a baseline the others are measured
// against.
inline void Figure(const std::string& benchmark, const std::string& measured) {
  std::printf("result: %s | %s | - | -\n", benchmark.c_str(), measured.c_str());
  std::fflush(stdout);
}

inline std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// "--name value" options; the value of the last occurrence, or `fallback`.
inline const char* Option(int argc, char** argv, const char* name, const char* fallback) {
  const char* value = fallback;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0)
      value = argv[i + 1];
  return value;
}

inline std::vector<std::string> Options(int argc, char** argv, const char* name) {
  std::vector<std::string> values;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0)
      values.emplace_back(argv[++i]);
  return values;
}

inline double NumberOption(int argc, char** argv, const char* name, double fallback) {
  const char* text = Option(argc, argv, name, nullptr);
  if (!text)
    return fallback;
  char* end = nullptr;
  double value = std::strtod(text, &end);
  if (end == text || *end) {
    std::fprintf(stderr, "bad number for %s: %s\n", name, text);
    std::exit(2);
  }
  return value;
}

}  // namespace bench
