// SPDX-License-Identifier: GPL-3.0-or-later
// restore: writes a kept configuration back to the router as write does.
#pragma once

#include <string>

#include "cli/cli_text.h"
#include "cli/router_command.h"

namespace tarcfg::cli {

class RestoreCommand : public RouterCommand {
 public:
  QString name() const override { return "restore"; }
  QString synopsis() const override {
    return "ROUTER (FILE | --last | --index N) [--dry-run] [--no-history] [-p PASSWORD]";
  }
  QString description() const override {
    return CliText::tr(
        "Write a kept configuration back to ROUTER as 'write' does, keeping history first.");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 2; }

  HookResult CheckOptions(CliContext&, const QCommandLineParser& parser) override;
  HookResult CheckFiles(CliContext& context, const QCommandLineParser& parser) override;
  bool NeedsHardwareAddress(CliContext&, const QCommandLineParser&) override;
  // The file to write back is known before registering: a history that
  // holds nothing costs the router no registration.
  HookResult Resolved(RouterSession& session, const QCommandLineParser& parser) override;
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override;

 private:
  std::string path_;
};

}  // namespace tarcfg::cli
