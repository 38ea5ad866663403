// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/install_monitor.h"

#include "monitor/accounting_dialog.h"
#include "monitor/line_status_dialog.h"
#include "monitor/monitor_hand_over.h"
#include "monitor/router_overview_dialog.h"
#include "shell/main_window.h"

namespace tarcfg {
namespace {

// The selected router's name as the list shows it.
QString SelectedRouterName(const ShellContext& context) {
  return QString::fromLatin1(context.SelectedRouterName().c_str());
}

}  // namespace

void InstallMonitorDialogs(MainWindow& window) {
  InstallMonitorDialogs(window, MonitorDialogOptions{});
}

void InstallMonitorDialogs(MainWindow& window, MonitorDialogOptions options) {
  auto handOver = std::make_shared<MonitorHandOver>();
  std::shared_ptr<ExportFileDialog> files =
      options.exportFileDialog ? options.exportFileDialog : std::make_shared<QtExportFileDialog>();
  LineTargetChooser chooser = options.chooseLineTarget ? options.chooseLineTarget
                                                       : LineTargetChooser(ChooseLineTargetStandIn);
  auto& hooks = window.dialogs().routerDialogs;
  hooks[RouterDialog::Connections] = [handOver, chooser](MainWindow& main) {
    LineStatusDialog dialog(main.context(), handOver, SelectedRouterName(main.context()), chooser,
                            &main);
    dialog.exec();
  };
  hooks[RouterDialog::Accounting] = [handOver, files](MainWindow& main) {
    AccountingDialog dialog(main.context(), handOver, *files, SelectedRouterName(main.context()),
                            &main);
    dialog.exec();
  };
  hooks[RouterDialog::RouterOverview] = [handOver](MainWindow& main) {
    RouterOverviewDialog dialog(main.context(), handOver, &main);
    dialog.exec();
  };
}

}  // namespace tarcfg
