// SPDX-License-Identifier: GPL-3.0-or-later
// backup: reads every router of one scan into a folder, one .cfg file each.
#pragma once

#include "cli/cli_text.h"
#include "cli/command.h"

namespace tarcfg::cli {

class BackupCommand : public Command {
 public:
  QString name() const override { return "backup"; }
  QString synopsis() const override { return "[--dir DIR] [-p PASSWORD]"; }
  QString description() const override {
    return CliText::tr(
        "Read every router of one scan into DIR, one file per router (198_51_100_10.cfg).");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int Execute(CliContext& context, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
