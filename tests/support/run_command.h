// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a program through the shell as a user would, for the tests that
// check tarcfg-cli's output and exit status.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tarcfg::testing {

struct CommandResult {
  int status = -1;  // exit status, -1 when the program did not exit normally
  std::string out;
  std::string err;
};

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs `command` with `sh -c`; standard error goes through `errFile`.
inline CommandResult RunCommand(const std::string& command, const std::filesystem::path& errFile) {
  CommandResult result;
  const std::string line = command + " 2>'" + errFile.string() + "'";
  std::FILE* pipe = ::popen(line.c_str(), "r");
  if (!pipe)
    return result;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    result.out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.err = ReadWholeFile(errFile);
  return result;
}

}  // namespace tarcfg::testing
