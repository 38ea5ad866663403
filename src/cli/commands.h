// SPDX-License-Identifier: GPL-3.0-or-later
// Every command of tarcfg-cli, in the order --help lists them.
#pragma once

#include <memory>
#include <vector>

#include "cli/command.h"

namespace tarcfg::cli {

std::vector<std::unique_ptr<Command>> AllCommands();

}  // namespace tarcfg::cli
