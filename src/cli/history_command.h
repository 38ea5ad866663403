// SPDX-License-Identifier: GPL-3.0-or-later
// history: the configurations kept before writes to a router, newest first;
// --git-init makes the history folder a git repository, so that every
// configuration kept from then on is also committed there.
#pragma once

#include "cli/cli_text.h"
#include "cli/command.h"

namespace tarcfg::cli {

class HistoryCommand : public Command {
 public:
  QString name() const override { return "history"; }
  QString synopsis() const override { return "(ROUTER [--json] | --git-init)"; }
  QString description() const override {
    return CliText::tr(
        "List the configurations kept before writes to ROUTER, newest first; or make the "
        "history folder a git repository that every kept configuration is committed to.");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 0; }
  int maximumArguments() const override { return 1; }

  int Execute(CliContext& context, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
