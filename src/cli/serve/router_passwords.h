// SPDX-License-Identifier: GPL-3.0-or-later
// The passwords file of `tarcfg-cli serve --passwords FILE`: one router per
// line, its hardware address and its registration password separated by
// blanks ("00-60-1a-10-00-02 secret"); blank lines and lines starting with
// "#" are skipped. The passwords are in clear, so a file that its group or
// others may read, write or run is refused.
#pragma once

#include <map>
#include <string>

#include "protocol/router_protocol.h"

namespace tarcfg::serve {

using RouterPasswords = std::map<HardwareAddress, std::string>;

struct PasswordsFileResult {
  bool ok = false;
  RouterPasswords passwords;
  std::string error;  // why not, for the user
};

// Reads `path`: refused when it cannot be read (with the system's reason),
// when any group or other permission bit is set, or when a line is not a
// hardware address followed by a password (with the line number).
PasswordsFileResult LoadPasswordsFile(const std::string& path);

// The lines of a passwords file; `error` names the first bad line.
PasswordsFileResult ParsePasswords(const std::string& text);

}  // namespace tarcfg::serve
