// SPDX-License-Identifier: GPL-3.0-or-later
// An INI settings file that behaves like the classic private-profile
// functions: section and key names without regard to case, a missing file
// reads as all keys missing, and a write changes only its own line, keeping
// comments and every other line.
#pragma once

#include <string>
#include <string_view>

namespace tarcfg {

class ProfileFile {
 public:
  explicit ProfileFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // The value, or `fallback` when the section or key is missing.
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view fallback = "") const;
  // Leading decimal digits of the value (text without digits reads as 0),
  // or `fallback` when the key is missing.
  int GetInt(std::string_view section, std::string_view key, int fallback) const;
  // Replaces the key's line, or adds it (and the section) when missing.
  // False when the file cannot be written.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::string path_;
};

}  // namespace tarcfg
