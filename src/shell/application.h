// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up and shutdown of the desktop application.
//
// Start-up runs once, in this order: networking check, settings, the
// StaticText font, the protocol definitions, then the main window, run
// modally. When the main window ends, the program deregisters from a
// registered router (before the socket is closed) and frees everything.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "shell/message_boxes.h"
#include "shell/shell_context.h"

class QWidget;

namespace tarcfg {

struct StartupOptions {
  std::string settingsFile;  // --settings FILE; empty: TARCFG_SETTINGS or the default
  QString screenshotPath;    // --screenshot FILE
  bool help = false;         // -h, --help or --help-all: the usage, nothing else
  bool version = false;      // --version: the version, nothing else
  // Plugs the dialogs into the main window's hooks before it starts.
  std::function<void(class MainWindow&)> installDialogs;
  QString error;  // a bad command line
};

StartupOptions ParseCommandLine(const QStringList& arguments);

// True when an IPv4 UDP socket can be created on this system.
bool StartNetworking();

// Reads "tarcfg.pro" from the firmware directory into the protocol tables;
// on an error shows 40010 (line and column) or 40011 (inconsistent line)
// with the stop icon and gives false. A missing file is no error.
bool LoadProtocolDefinitions(ShellContext& context, QWidget* parent);

// The whole run of the program; gives the exit status.
int RunApplication(const StartupOptions& options);

}  // namespace tarcfg
