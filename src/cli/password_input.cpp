// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/password_input.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "config/stop_signals.h"

namespace tarcfg::cli {

std::optional<std::string> ReadStandardInputLine() {
  // Read here rather than through std::cin, so that a stop signal (its pipe
  // becomes readable) ends the wait for the line.
  std::string line;
  for (;;) {
    if (StopSignals::caught() != 0)
      return std::nullopt;
    pollfd watched[2] = {{STDIN_FILENO, POLLIN, 0}, {StopSignals::descriptor(), POLLIN, 0}};
    const nfds_t count = watched[1].fd >= 0 ? 2 : 1;
    if (::poll(watched, count, -1) < 0) {
      if (errno == EINTR)
        continue;
      return std::nullopt;
    }
    if (count == 2 && (watched[1].revents & POLLIN))
      continue;  // the signal is seen at the top
    char c = 0;
    const ssize_t got = ::read(STDIN_FILENO, &c, 1);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return std::nullopt;
    if (got == 0 || c == '\n') {
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      return line;
    }
    line += c;
  }
}

std::optional<std::string> PromptSecret(const std::string& prompt) {
  if (!::isatty(STDIN_FILENO))
    return std::nullopt;
  std::cerr << prompt << std::flush;
  termios saved{};
  const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  const std::optional<std::string> line = ReadStandardInputLine();
  // Echo comes back however the prompt ended, a stop signal included.
  if (terminal)
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  std::cerr << "\n";
  return line;
}

}  // namespace tarcfg::cli
