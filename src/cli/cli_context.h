// SPDX-License-Identifier: GPL-3.0-or-later
// What every command of tarcfg-cli shares: the settings, the system
// databases, the address service and the protocol tables, loaded the way the
// desktop tool loads them at start-up.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/driver.h"
#include "config/address.h"
#include "config/gui_settings.h"
#include "config/net_database.h"
#include "config/records.h"
#include "protocol/socket.h"

namespace tarcfg::cli {

// Exit codes of tarcfg-cli.
enum ExitCode {
  kExitOk = 0,
  kExitRefused = 1,  // refusal or network error
  kExitUsage = 2,
  kExitFile = 3,
  kExitDifferent = 4,  // diff: the two configurations differ
};

class CliContext {
 public:
  // The router commands talk through `socket`, moved on by `driver`.
  CliContext(const QString& settingsOption, DatagramSocket& socket, Driver& driver);

  // Loads the settings file, repairing missing or invalid values (and
  // writing the repairs back unless `repair` says otherwise). Call once
  // before using the rest.
  void LoadSettings(SettingsRepair repair = SettingsRepair::kWriteBack);
  // Reads tarcfg.pro from the firmware directory into the protocol tables.
  // On a definition error prints 40010 or 40011 to standard error and gives false.
  bool LoadProtocolDefinitions();

  const std::string& settingsPath() const { return settingsPath_; }
  const GuiSettings& settings() const { return settings_; }
  NetDatabase& database() { return database_; }
  AddressService& addresses() { return addresses_; }
  ProtocolTables& tables() { return tables_; }
  DatagramSocket& socket() { return socket_; }
  Driver& driver() { return driver_; }

 private:
  std::string settingsPath_;
  SystemNetDatabase database_;
  AddressService addresses_{database_};
  ProtocolTables tables_;
  GuiSettings settings_;
  DatagramSocket& socket_;
  Driver& driver_;
};

// Prints to standard error with a final line end.
void PrintError(const std::string& message);

}  // namespace tarcfg::cli
