// SPDX-License-Identifier: GPL-3.0-or-later
// status: watches both B-channels and prints their line status reports.
#pragma once

#include "cli/cli_text.h"
#include "cli/router_command.h"

namespace tarcfg::cli {

class StatusCommand : public RouterCommand {
 public:
  QString name() const override { return "status"; }
  QString synopsis() const override { return "ROUTER [--count N] [--json]"; }
  QString description() const override {
    return CliText::tr(
        "Watch both B-channels: print N line status reports (0: until interrupted).");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }
  HookResult CheckOptions(CliContext&, const QCommandLineParser& parser) override;
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
