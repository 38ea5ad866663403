// SPDX-License-Identifier: GPL-3.0-or-later
// The emulator's state as JSON, for tests that check what the tool did.
#pragma once

#include <string>

#include "sim/network.h"

namespace tarnex_sim {

std::string StateJson(const Network& network, uint64_t nowMs);
// Writes to a temporary file beside path and renames it over path.
bool WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace tarnex_sim
