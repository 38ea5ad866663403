// SPDX-License-Identifier: GPL-3.0-or-later
// history: the configurations kept before writes to a router, newest first.
#pragma once

#include "cli/command.h"

namespace tarcfg::cli {

class HistoryCommand : public Command {
 public:
  QString name() const override { return "history"; }
  QString synopsis() const override { return "ROUTER [--json]"; }
  QString description() const override {
    return "List the configurations kept before writes to ROUTER, newest first.";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }

  int Execute(CliContext& context, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
