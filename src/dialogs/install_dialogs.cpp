#include "install_dialogs.h"

#include "main_window.h"

namespace tarcfg {

void InstallConfigurationDialogs(MainWindow& window) {
  (void)window;
}

}  // namespace tarcfg
