// SPDX-License-Identifier: GPL-3.0-or-later
// connect: dials one line target of the router.
#pragma once

#include "cli/cli_text.h"
#include "cli/router_command.h"

namespace tarcfg::cli {

class ConnectCommand : public RouterCommand {
 public:
  QString name() const override { return "connect"; }
  QString synopsis() const override { return "ROUTER POSITION"; }
  QString description() const override {
    return CliText::tr("Dial the line target at POSITION (1-based, as 'read' lists them).");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 2; }
  int maximumArguments() const override { return 2; }
  HookResult CheckOptions(CliContext&, const QCommandLineParser& parser) override;
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
