// SPDX-License-Identifier: GPL-3.0-or-later
// write: loads a .cfg file as Open... does and writes what differs from the
// router's tables.
#pragma once

#include "cli/cli_text.h"
#include "cli/router_command.h"

namespace tarcfg::cli {

class WriteCommand : public RouterCommand {
 public:
  QString name() const override { return "write"; }
  QString synopsis() const override {
    return "ROUTER FILE [--dry-run] [--no-history] [-p PASSWORD]";
  }
  QString description() const override {
    return CliText::tr(
        "Load FILE as Open... does and write what differs from the router's tables.");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 2; }
  int maximumArguments() const override { return 2; }
  HookResult CheckFiles(CliContext& context, const QCommandLineParser& parser) override;
  bool NeedsHardwareAddress(CliContext& context, const QCommandLineParser& parser) override;
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
