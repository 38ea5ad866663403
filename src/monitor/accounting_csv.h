// SPDX-License-Identifier: GPL-3.0-or-later
// The accounting counters as comma-separated values: a header row, then one
// row per line target in list order.
#pragma once

#include <string>

#include "config/configuration.h"

namespace tarcfg {

// The CSV text, rows ending in "\r\n". Host names and phone numbers go
// through CsvCell: quoted when needed, and never taken for a formula.
std::string AccountingCsv(const LineTargetList& lineTargets);

// Writes `text` to `path` through a temporary file, so an existing file is
// replaced whole or not at all. False with `error` set when it fails.
bool WriteExportFile(const std::string& path, const std::string& text, std::string* error);

}  // namespace tarcfg
