// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/install_dialogs.h"

#include "dialogs/file_dialogs.h"
#include "dialogs/line_targets_dialog.h"
#include "shell/main_window.h"

namespace tarcfg {

void InstallConfigurationDialogs(MainWindow& window) {
  // Stateless, so one instance serves every window of the run.
  static QtFileDialogs files;
  InstallConfigurationDialogs(window, files);
}

}  // namespace tarcfg
