// SPDX-License-Identifier: GPL-3.0-or-later
// Saves pictures of Router Configuration on sample data and of the download
// progress window at 50 % for the documentation:
//   router_screenshots [DIRECTORY]   (default docs/screenshots)
// Runs on any Qt platform, offscreen included; touches no network.
#include <QApplication>
#include <QDir>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "config/net_database.h"
#include "dialogs/progress_window.h"
#include "dialogs/router_configuration_dialog.h"
#include "i18n/translations.h"
#include "shell/shell_context.h"
#include "shell/static_text.h"

namespace {

// Firmware files with sample versions, so that every operating mode shows.
std::filesystem::path MakeFirmwareDirectory() {
  char pattern[] = "/tmp/tarcfg-screens-XXXXXX";
  const char* made = ::mkdtemp(pattern);
  std::filesystem::path directory = made ? made : "/tmp";
  for (const char* name : {"fw_1tr6.1.60", "fw_dss1.2.20"})
    std::ofstream(directory / name) << "sample";
  return directory;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // In the language of the locale: LANG=de_DE.UTF-8 takes the German pictures.
  tarcfg::InstallTranslations(app, {QStringLiteral("strings"), QStringLiteral("tarcfg")});
  const QString target =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
  QDir().mkpath(target);
  tarcfg::StaticText::RegisterStaticTextClass();

  tarcfg::FakeNetDatabase database;
  tarcfg::QtMessageBoxes messages;
  tarcfg::ShellContext context(database, messages);
  const std::filesystem::path firmware = MakeFirmwareDirectory();
  context.settings.firmwarePath = firmware.string();
  context.settings.ownAddress = 0xC6336401;  // 198.51.100.1
  context.settings.netMask = 0xFFFFFF00;
  context.addresses.SetNameResolve(false);

  tarcfg::RouterParameters current;
  current.name = "198.51.100.10";
  current.netmask = "255.255.255.0";
  current.phoneNumber = "0301110";
  current.dChannelProtocol = 1;
  current.firmwareVersion = "2.10";
  tarcfg::RouterPasswordChoice choice;
  tarcfg::RouterConfigurationDialog dialog(context, current, choice);
  dialog.show();
  app.processEvents();
  const bool savedDialog = dialog.grab().save(target + QStringLiteral("/router-configuration.png"));

  tarcfg::ProgressWindow progress(nullptr);
  progress.ShowProgress(50);
  progress.show();
  app.processEvents();
  const bool savedProgress = progress.grab().save(target + QStringLiteral("/progress.png"));
  progress.Finish();

  std::error_code error;
  std::filesystem::remove_all(firmware, error);
  if (!savedDialog || !savedProgress) {
    std::fprintf(stderr, "router_screenshots: cannot write into %s\n",
                 target.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
