// SPDX-License-Identifier: GPL-3.0-or-later
// The accounting export's file; its text is AccountingCsv (config/reports.h),
// the same CSV tarcfg-cli prints.
#pragma once

#include <string>

#include "config/reports.h"

namespace tarcfg {

// Writes `text` to `path` through a temporary file, so an existing file is
// replaced whole or not at all. False with `error` set when it fails.
bool WriteExportFile(const std::string& path, const std::string& text, std::string* error);

}  // namespace tarcfg
