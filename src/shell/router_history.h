// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop tool's side of the configuration history: before anything is
// written to the registered router, its configuration as last read is kept;
// when that fails the user is told why and asked whether to write anyway.
// When the history folder is a git repository that takes no commit, the user
// is told once per run and the write goes ahead.
#pragma once

#include <string>
#include <vector>

#include "config/config_history.h"
#include "shell/shell_context.h"

class QWidget;

namespace tarcfg {

// The history of this run: HistoryLimit of the settings, in the context's
// history directory.
ConfigHistory RouterHistory(const ShellContext& context);

// Keeps the selected router's configuration as last read (the saved copies
// and its current parameters) with a note of what is about to be sent. True
// when kept, when there is nothing to keep (history off, no configuration
// read) or when the user chose to write without it; false: send nothing.
bool KeepHistoryBeforeWrite(ShellContext& context, QWidget* parent, const std::string& operation,
                            const std::vector<std::string>& sending);

}  // namespace tarcfg
