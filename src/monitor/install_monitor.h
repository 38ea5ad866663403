// Plugs the monitoring dialogs (line status, accounting data, router overview) into the main
// window's dialog hooks.
#pragma once

namespace tarcfg {

class MainWindow;

void InstallMonitorDialogs(MainWindow& window);

}  // namespace tarcfg
