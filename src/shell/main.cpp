// SPDX-License-Identifier: GPL-3.0-or-later
// tarcfg: finds the Tarnex routers of the local network, registers with
// one and edits its configuration.
#include <QApplication>
#include <QStringList>
#include <cstdio>

#include "dialogs/install_dialogs.h"
#include "dialogs/line_targets_dialog.h"
#include "i18n/translations.h"
#include "monitor/install_monitor.h"
#include "shell/application.h"
#include "shell/main_window.h"

int main(int argc, char** argv) {
  // The command line is checked before Qt connects to a display, so --help
  // and usage errors work anywhere.
  QStringList arguments;
  for (int i = 0; i < argc; ++i)
    arguments << QString::fromLocal8Bit(argv[i]);
  tarcfg::StartupOptions options = tarcfg::ParseCommandLine(arguments);
  if (options.version) {
    std::printf("tarcfg " TARCFG_VERSION "\n");
    return 0;
  }
  if (!options.error.isEmpty() || options.help) {
    std::fprintf(options.help ? stdout : stderr,
                 "%s%susage: tarcfg [--settings FILE] [--screenshot FILE]\n"
                 "  --settings FILE    settings file (default: $TARCFG_SETTINGS, else\n"
                 "                     tarcfg.ini in the XDG configuration directory)\n"
                 "  --screenshot FILE  save a picture of the main window after the scan\n"
                 "                     and quit\n"
                 "  --version          print the version\n",
                 options.error.toLocal8Bit().constData(), options.error.isEmpty() ? "" : "\n");
    return options.help ? 0 : 2;
  }
  options.installDialogs = [](tarcfg::MainWindow& window) {
    tarcfg::InstallConfigurationDialogs(window);
    tarcfg::InstallRouterDialogs(window);
    // Line Status dials through the Line Targets' own Setup Connection.
    tarcfg::MonitorDialogOptions monitor;
    monitor.chooseLineTarget = [&window](QWidget* parent, const tarcfg::LineTargetList&) {
      return tarcfg::RunSetupConnection(parent, window.context());
    };
    tarcfg::InstallMonitorDialogs(window, std::move(monitor));
  };
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarcfg"));
  QApplication::setApplicationVersion(QStringLiteral(TARCFG_VERSION));
  tarcfg::InstallTranslations(app, {QStringLiteral("strings"), QStringLiteral("tarcfg")});
  return tarcfg::RunApplication(options);
}
