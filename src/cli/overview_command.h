// SPDX-License-Identifier: GPL-3.0-or-later
// overview: firmware and channel states of every router (the Router Overview
// report), as text or JSON.
#pragma once

#include "cli/cli_text.h"
#include "cli/command.h"

namespace tarcfg::cli {

class OverviewCommand : public Command {
 public:
  QString name() const override { return "overview"; }
  QString synopsis() const override { return "[--json]"; }
  QString description() const override {
    return CliText::tr(
        "Show firmware and channel states of every router (the Router Overview report).");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int Execute(CliContext& context, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
