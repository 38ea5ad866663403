// SPDX-License-Identifier: GPL-3.0-or-later
// Plugs the configuration dialogs (line targets, network configuration, filters, routes, router
// configuration, passwords, firmware selection and download progress) into the main window's dialog
// hooks.
#pragma once

namespace tarcfg {

class MainWindow;

// Line Targets with its editors, filters, routes and file commands.
void InstallConfigurationDialogs(MainWindow& window);
// Router Configuration, Change Password, Select Firmware and the download
// progress window.
void InstallRouterDialogs(MainWindow& window);

}  // namespace tarcfg
