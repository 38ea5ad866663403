// SPDX-License-Identifier: GPL-3.0-or-later
// accounting: the accounting counters of every line target, as text, CSV or
// JSON, read and optionally reset.
#pragma once

#include "cli/cli_text.h"
#include "cli/router_command.h"

namespace tarcfg::cli {

class AccountingCommand : public RouterCommand {
 public:
  QString name() const override { return "accounting"; }
  QString synopsis() const override { return "ROUTER [--reset] [--json|--csv]"; }
  QString description() const override {
    return CliText::tr(
        "Read the accounting counters of every line target (and reset them with --reset).");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }
  HookResult CheckOptions(CliContext&, const QCommandLineParser& parser) override;
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
