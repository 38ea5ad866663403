#include "install_monitor.h"

#include "main_window.h"

namespace tarcfg {

void InstallMonitorDialogs(MainWindow& window) {
  (void)window;
}

}  // namespace tarcfg
