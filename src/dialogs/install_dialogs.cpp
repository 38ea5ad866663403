#include "install_dialogs.h"

#include "file_dialogs.h"
#include "line_targets_dialog.h"
#include "main_window.h"

namespace tarcfg {

void InstallConfigurationDialogs(MainWindow& window) {
  // Stateless, so one instance serves every window of the run.
  static QtFileDialogs files;
  InstallConfigurationDialogs(window, files);
}

}  // namespace tarcfg
