// SPDX-License-Identifier: GPL-3.0-or-later
// scan: the routers of the local network, as text or JSON, remembered for
// the shell's completion of router arguments.
#pragma once

#include "cli/cli_text.h"
#include "cli/command.h"

namespace tarcfg::cli {

class ScanCommand : public Command {
 public:
  QString name() const override { return "scan"; }
  QString synopsis() const override { return "[--json]"; }
  QString description() const override {
    return CliText::tr("List the routers of the local network.");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int Execute(CliContext& context, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
