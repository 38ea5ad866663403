// Plugs the configuration dialogs (line targets, network configuration, filters, routes, router
// configuration, passwords, firmware selection and download progress) into the main window's dialog
// hooks.
#pragma once

namespace tarcfg {

class MainWindow;

void InstallConfigurationDialogs(MainWindow& window);

}  // namespace tarcfg
