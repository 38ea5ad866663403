// SPDX-License-Identifier: GPL-3.0-or-later
// Plugs the monitoring dialogs (line status, accounting data, router overview) into the main
// window's dialog hooks.
#pragma once

#include <memory>

#include "monitor/export_file_dialog.h"
#include "monitor/setup_connection_chooser.h"

namespace tarcfg {

class MainWindow;

struct MonitorDialogOptions {
  // Chooses the line target to dial; the stand-in Setup Connection dialog
  // when empty.
  LineTargetChooser chooseLineTarget;
  // Asks for the export file; real file dialogs when null.
  std::shared_ptr<ExportFileDialog> exportFileDialog;
};

void InstallMonitorDialogs(MainWindow& window);
void InstallMonitorDialogs(MainWindow& window, MonitorDialogOptions options);

}  // namespace tarcfg
