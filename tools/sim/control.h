// SPDX-License-Identifier: GPL-3.0-or-later
// Commands that change the emulated network from outside while it runs
// (tarnex-sim --control): power cycles and pulled cables.
#pragma once

#include <cstdint>
#include <string>

#include "sim/network.h"

namespace tarnex_sim {

// Carries out one line: "reboot HW", "silence HW" or "unsilence HW", HW a
// hardware address with ':' or '-' between the bytes. Blank lines and lines
// starting with '#' do nothing. Gives "" when done, else what was wrong.
std::string ApplyControlCommand(Network& network, const std::string& line, uint64_t nowMs);

}  // namespace tarnex_sim
