// SPDX-License-Identifier: GPL-3.0-or-later
#include <memory>

#include "dialogs/firmware_download.h"
#include "dialogs/install_dialogs.h"
#include "dialogs/router_configuration_dialog.h"
#include "shell/main_window.h"

namespace tarcfg {

void InstallRouterDialogs(MainWindow& window) {
  // "Change Password"'s choice lives as long as the window's hooks.
  auto choice = std::make_shared<RouterPasswordChoice>();
  ShellDialogs& dialogs = window.dialogs();
  dialogs.editRouterParameters =
      [choice](MainWindow& owner,
               const RouterParameters& current) -> std::optional<RouterParameters> {
    RouterConfigurationDialog dialog(owner.context(), current, *choice, &owner);
    if (dialog.exec() != QDialog::Accepted)
      return std::nullopt;
    return dialog.parameters();
  };
  // The download object is a child of the window and ends with it.
  QPointer<FirmwareDownload> download = new FirmwareDownload(window);
  dialogs.startFullReconfiguration = [download](MainWindow&, const RouterParameters& pending) {
    if (download)
      download->StartFullReconfiguration(pending);
  };
  dialogs.closeProgressWindow = [download] {
    if (download)
      download->CloseProgressWindow();
  };
}

}  // namespace tarcfg
