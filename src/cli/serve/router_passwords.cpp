// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/router_passwords.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "config/reports.h"

namespace tarcfg::serve {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

PasswordsFileResult ParsePasswords(const std::string& text) {
  PasswordsFileResult result;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    std::size_t start = 0;
    while (start < line.size() && IsBlank(line[start]))
      ++start;
    if (start == line.size() || line[start] == '#')
      continue;
    std::size_t end = start;
    while (end < line.size() && !IsBlank(line[end]))
      ++end;
    std::size_t passwordStart = end;
    while (passwordStart < line.size() && IsBlank(line[passwordStart]))
      ++passwordStart;
    HardwareAddress hardware{};
    if (!ParseHardwareAddress(line.substr(start, end - start), &hardware) ||
        passwordStart == line.size()) {
      result.error =
          "line " + std::to_string(number) + " is not a hardware address followed by a password";
      return result;
    }
    // The password is the rest of the line: it may hold blanks.
    result.passwords[hardware] = line.substr(passwordStart);
  }
  result.ok = true;
  return result;
}

PasswordsFileResult LoadPasswordsFile(const std::string& path) {
  PasswordsFileResult result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.error = "cannot read " + path + ": " + std::strerror(errno);
    return result;
  }
  struct stat info {};
  int error = 0;
  if (::fstat(fd, &info) != 0)
    error = errno;
  else if (S_ISDIR(info.st_mode))
    error = EISDIR;
  else if (!S_ISREG(info.st_mode))
    error = EINVAL;  // a device or a pipe has no owner-only permission to trust
  if (error != 0) {
    ::close(fd);
    result.error = "cannot read " + path + ": " + std::strerror(error);
    return result;
  }
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    ::close(fd);
    result.error = path + " may be read by others than its owner (chmod 600 " + path + ")";
    return result;
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0) {
      error = errno;
      ::close(fd);
      result.error = "cannot read " + path + ": " + std::strerror(error);
      return result;
    }
    if (got == 0)
      break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  result = ParsePasswords(text);
  if (!result.ok)
    result.error = path + ": " + result.error;
  return result;
}

}  // namespace tarcfg::serve
