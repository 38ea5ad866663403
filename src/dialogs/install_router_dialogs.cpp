#include "install_dialogs.h"
#include "main_window.h"

namespace tarcfg {

void InstallRouterDialogs(MainWindow& window) {
  (void)window;
}

}  // namespace tarcfg
