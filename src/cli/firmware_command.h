// SPDX-License-Identifier: GPL-3.0-or-later
// firmware: reconfigures the router by downloading firmware with its
// configuration embedded.
#pragma once

#include "cli/cli_text.h"
#include "cli/router_command.h"

namespace tarcfg::cli {

class FirmwareCommand : public RouterCommand {
 public:
  QString name() const override { return "firmware"; }
  QString synopsis() const override;
  QString description() const override {
    return CliText::tr(
        "Reconfigure the router by downloading firmware with its configuration embedded.");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }
  bool HasVersionOption() const override { return true; }  // the firmware version

  HookResult CheckOptions(CliContext&, const QCommandLineParser& parser) override;
  bool NeedsHardwareAddress(CliContext&, const QCommandLineParser&) override;
  // A router in its loader has no address to register with: the download
  // goes to its hardware address.
  HookResult Resolved(RouterSession& session, const QCommandLineParser& parser) override;
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
