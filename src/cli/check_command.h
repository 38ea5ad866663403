// SPDX-License-Identifier: GPL-3.0-or-later
// check: loads a configuration file as the Line Targets dialog's "Open..."
// does, and optionally writes it back out.
#pragma once

#include "cli/cli_text.h"
#include "cli/command.h"

namespace tarcfg::cli {

class CheckCommand : public Command {
 public:
  QString name() const override { return "check"; }
  QString synopsis() const override { return "FILE [--permanent N] [-o OUT]"; }
  QString description() const override {
    return CliText::tr("Load a .cfg file as the desktop tool does and report what it holds.");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }
  bool RepairsSettings() const override { return false; }
  int Execute(CliContext& context, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
