// SPDX-License-Identifier: GPL-3.0-or-later
// protocols: the protocol tables as start-up builds them from tarcfg.pro.
#pragma once

#include "cli/cli_text.h"
#include "cli/command.h"

namespace tarcfg::cli {

class ProtocolsCommand : public Command {
 public:
  QString name() const override { return "protocols"; }
  QString synopsis() const override { return ""; }
  QString description() const override {
    return CliText::tr("List the layer-2 and layer-3 protocol tables (built-ins and tarcfg.pro).");
  }

 protected:
  void AddOptions(QCommandLineParser&) override;

  int Execute(CliContext& context, const QCommandLineParser&) override;
};

}  // namespace tarcfg::cli
