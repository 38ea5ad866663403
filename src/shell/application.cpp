// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/application.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QStringList>
#include <filesystem>
#include <system_error>

#include "config/profile_file.h"
#include "config/protocol_definitions.h"
#include "config/stop_signals.h"
#include "config/string_table.h"
#include "protocol/udp_socket.h"
#include "shell/main_window.h"
#include "shell/static_text.h"
#include "shell/stop_signal_watch.h"

namespace tarcfg {

StartupOptions ParseCommandLine(const QStringList& arguments) {
  StartupOptions options;
  // A request for help or the version is answered and nothing else is done,
  // wherever it stands, even where a file name was expected.
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QLatin1String("--help") || argument == QLatin1String("-h") ||
        argument == QLatin1String("--help-all")) {
      options.help = true;
      return options;
    }
    if (argument == QLatin1String("--version"))
      options.version = true;
  }
  if (options.version)
    return options;
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QLatin1String("--settings") || argument == QLatin1String("--screenshot")) {
      if (i + 1 >= arguments.size()) {
        options.error = QCoreApplication::translate("tarcfg", "%1 needs a file name").arg(argument);
        return options;
      }
      const QString value = arguments[++i];
      if (argument == QLatin1String("--settings"))
        options.settingsFile = value.toStdString();
      else
        options.screenshotPath = value;
    } else if (argument.startsWith(QLatin1String("--settings="))) {
      options.settingsFile = argument.mid(11).toStdString();
    } else if (argument.startsWith(QLatin1String("--screenshot="))) {
      options.screenshotPath = argument.mid(13);
    } else {
      options.error = QCoreApplication::translate("tarcfg", "unknown option: %1").arg(argument);
      return options;
    }
  }
  return options;
}

bool StartNetworking() {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0)
    return false;
  ::close(fd);
  return true;
}

bool LoadProtocolDefinitions(ShellContext& context, QWidget* parent) {
  ProtocolDefinitionResult result =
      ReadProtocolDefinitions(context.settings.firmwarePath, context.tables);
  if (result.ok)
    return true;
  std::string text = result.column != 0 ? FormatString(40010, result.line, result.column)
                                        : FormatString(40011, result.line);
  context.messages.ShowMessage(parent, MessageText(text), MessageIcon::Stop);
  return false;
}

int RunApplication(const StartupOptions& options) {
  QtMessageBoxes messages;
  SystemNetDatabase database;
  ShellContext context(database, messages);

  if (!StartNetworking()) {
    messages.ShowMessage(nullptr, TableText(40005), MessageIcon::Stop);
    return 1;
  }

  ProfileFile profile(SettingsFilePath(options.settingsFile));
  context.settings = LoadGuiSettings(profile, context.addresses,
                                     DefaultFirmwareDirectory(context.workingDirectory));
  StaticText::RegisterStaticTextClass();
  if (!LoadProtocolDefinitions(context, nullptr))
    return 1;

  context.CreateProtocol(std::make_unique<UdpSocket>());
  int status = 0;
  {
    MainWindowOptions windowOptions;
    windowOptions.screenshotPath = options.screenshotPath;
    MainWindow window(context, windowOptions);
    if (options.installDialogs)
      options.installDialogs(window);
    // SIGINT, SIGTERM and SIGHUP close the window as its close box does,
    // deregistering first.
    StopSignals::Install();
    StopSignalWatch stopSignals(window);
    window.show();
    window.Start();
    window.exec();
    // The window's end deregistered from the router; the socket goes after.
    status = stopSignals.exitStatus();
  }
  context.FreeConfiguration();
  return status;
}

}  // namespace tarcfg
