// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace tarcfg {
namespace {

std::string_view Trim(std::string_view text) {
  const char* blanks = " \t\r\n";
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos)
    return {};
  const auto last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z')
      x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z')
      y = static_cast<char>(y - 'A' + 'a');
    if (x != y)
      return false;
  }
  return true;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// "[name]" gives name; anything else gives nothing.
bool SectionName(std::string_view line, std::string_view* name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[')
    return false;
  const auto close = line.find(']');
  if (close == std::string_view::npos)
    return false;
  *name = Trim(line.substr(1, close - 1));
  return true;
}

// "key=value" gives both; comments and other lines give nothing.
bool KeyValue(std::string_view line, std::string_view* key, std::string_view* value) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#')
    return false;
  const auto eq = trimmed.find('=');
  if (eq == std::string_view::npos)
    return false;
  *key = Trim(trimmed.substr(0, eq));
  *value = Trim(trimmed.substr(eq + 1));
  return true;
}

struct Location {
  int sectionLine = -1;      // index of the section header
  int lastSectionLine = -1;  // last non-blank line of the section
  int keyLine = -1;
  std::string value;
};

Location Find(const std::vector<std::string>& lines, std::string_view section,
              std::string_view key) {
  Location where;
  bool inside = false;
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    std::string_view name;
    if (SectionName(lines[static_cast<std::size_t>(i)], &name)) {
      inside = SameName(name, section);
      if (inside && where.sectionLine < 0) {
        where.sectionLine = i;
        where.lastSectionLine = i;
      }
      continue;
    }
    if (!inside)
      continue;
    if (!Trim(lines[static_cast<std::size_t>(i)]).empty())
      where.lastSectionLine = i;
    std::string_view k, v;
    if (where.keyLine < 0 && KeyValue(lines[static_cast<std::size_t>(i)], &k, &v) &&
        SameName(k, key)) {
      where.keyLine = i;
      if (v.size() >= 2 &&
          ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
        v = v.substr(1, v.size() - 2);
      where.value = std::string(v);
    }
  }
  return where;
}

// The file a write replaces: a settings file that is a link (into a dotfiles
// repository, say) stays a link, and its target gets the new text.
std::filesystem::path WriteTarget(const std::string& path) {
  std::filesystem::path target(path);
  std::error_code error;
  for (int hops = 0; hops < 40 && std::filesystem::is_symlink(target, error); ++hops) {
    const std::filesystem::path next = std::filesystem::read_symlink(target, error);
    if (error)
      break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes a new file beside the target and renames it over the target, so a
// reader sees the old text or the new one, never half of it. The target's
// permission bits carry over (a private 0600 file stays private).
bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  const std::filesystem::path target = WriteTarget(path);
  std::error_code ignored;
  if (target.has_parent_path())
    std::filesystem::create_directories(target.parent_path(), ignored);
  std::string text;
  for (const auto& line : lines)
    text += line + '\n';
  const std::string temporary = target.string() + ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0)
    return false;
  bool ok = WriteAll(fd, text);
  struct stat old {};
  if (ok && ::stat(target.c_str(), &old) == 0)
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok || std::rename(temporary.c_str(), target.c_str()) != 0) {
    std::filesystem::remove(temporary, ignored);
    return false;
  }
  return true;
}

}  // namespace

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view fallback) const {
  const Location where = Find(ReadLines(path_), section, key);
  if (where.keyLine < 0)
    return std::string(fallback);
  return where.value;
}

int ProfileFile::GetInt(std::string_view section, std::string_view key, int fallback) const {
  const Location where = Find(ReadLines(path_), section, key);
  if (where.keyLine < 0)
    return fallback;
  const std::string& v = where.value;
  std::size_t i = 0;
  bool negative = false;
  if (i < v.size() && (v[i] == '-' || v[i] == '+'))
    negative = v[i++] == '-';
  long long number = 0;
  while (i < v.size() && v[i] >= '0' && v[i] <= '9' && number < 1000000000LL)
    number = number * 10 + (v[i++] - '0');
  return static_cast<int>(negative ? -number : number);
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  std::vector<std::string> lines = ReadLines(path_);
  const Location where = Find(lines, section, key);
  const std::string entry = std::string(key) + "=" + std::string(value);
  if (where.keyLine >= 0 && where.value == value)
    return true;  // already so: the file is left as it is
  if (where.keyLine >= 0) {
    lines[static_cast<std::size_t>(where.keyLine)] = entry;
  } else if (where.sectionLine >= 0) {
    lines.insert(lines.begin() + where.lastSectionLine + 1, entry);
  } else {
    if (!lines.empty() && !Trim(lines.back()).empty())
      lines.emplace_back();
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(entry);
  }

  return WriteLines(path_, lines);
}

}  // namespace tarcfg
