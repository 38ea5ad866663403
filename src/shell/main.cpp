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

namespace {

// The usage, after `error` when there is one; the exit status.
int Usage(const tarcfg::StartupOptions& options) {
  std::FILE* out = options.help ? stdout : stderr;
  const QString usage =
      QCoreApplication::translate("tarcfg",
                                  "usage: tarcfg [--settings FILE] [--screenshot FILE]\n"
                                  "  --settings FILE    settings file (default: $TARCFG_SETTINGS, "
                                  "else\n"
                                  "                     tarcfg.ini in the XDG configuration "
                                  "directory)\n"
                                  "  --screenshot FILE  save a picture of the main window after "
                                  "the scan\n"
                                  "                     and quit\n"
                                  "  --version          print the version\n");
  const QString qtOptions = QCoreApplication::translate(
      "tarcfg", "Qt's standard options (-platform, -style, -reverse, ...) are taken as well.");
  std::fprintf(out, "%s%s%s%s\n", options.error.toLocal8Bit().constData(),
               options.error.isEmpty() ? "" : "\n", usage.toLocal8Bit().constData(),
               qtOptions.toLocal8Bit().constData());
  return options.help ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version are answered before Qt connects to a display, so
  // they work anywhere.
  QStringList arguments;
  for (int i = 0; i < argc; ++i)
    arguments << QString::fromLocal8Bit(argv[i]);
  tarcfg::StartupOptions options = tarcfg::ParseCommandLine(arguments);
  if (options.version) {
    std::printf("tarcfg " TARCFG_VERSION "\n");
    return 0;
  }
  if (options.help) {
    // The help in the user's language, still without a display.
    QCoreApplication core(argc, argv);
    tarcfg::InstallTranslations(core, {QStringLiteral("tarcfg")});
    return Usage(options);
  }
  // QApplication takes its own options (-platform, -style, -reverse, ...)
  // out of the arguments; ours are read from what is left.
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tarcfg"));
  QApplication::setApplicationVersion(QStringLiteral(TARCFG_VERSION));
  tarcfg::InstallTranslations(app, {QStringLiteral("strings"), QStringLiteral("tarcfg")});
  options = tarcfg::ParseCommandLine(QCoreApplication::arguments());
  if (!options.error.isEmpty())
    return Usage(options);
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
  return tarcfg::RunApplication(options);
}
