// SPDX-License-Identifier: GPL-3.0-or-later
// read: registers with one router and writes its configuration as a .cfg file.
#pragma once

#include "cli/cli_text.h"
#include "cli/router_command.h"

namespace tarcfg::cli {

class ReadCommand : public RouterCommand {
 public:
  QString name() const override { return "read"; }
  QString synopsis() const override { return "ROUTER [-o FILE] [-p PASSWORD]"; }
  QString description() const override {
    return CliText::tr("Register with ROUTER, read its configuration and write it as a .cfg file.");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
