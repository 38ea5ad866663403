// SPDX-License-Identifier: GPL-3.0-or-later
// diff: compares the configuration a router holds now with a .cfg file or a
// version of its history, or two .cfg files without any network.
//
// The older configuration is the file or the kept version ("-" lines), the
// newer the router now ("+" lines): the output says what changed on the
// router since. Of two files, the first is the older. Exit status 0 when the
// two are the same, 4 when they differ, the usual statuses on errors.
#pragma once

#include <string>

#include "cli/cli_text.h"
#include "cli/router_command.h"

namespace tarcfg::cli {

class DiffCommand : public RouterCommand {
 public:
  QString name() const override { return "diff"; }
  QString synopsis() const override {
    return "ROUTER [FILE | --last | --index N] [--json] [-p PASSWORD] | FILE1 FILE2 [--json]";
  }
  QString description() const override {
    return CliText::tr(
        "Compare ROUTER's configuration now (\"+\" lines) with a file or a kept version "
        "(\"-\" lines; default: the newest kept one), or FILE1 (\"-\") with FILE2 (\"+\"). "
        "Exit status 0: the same, 4: different.");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 2; }

  // Two files need no router: they are compared here, before anything
  // goes out, and the command ends with that comparison's status.
  HookResult CheckOptions(CliContext& context, const QCommandLineParser& parser) override;
  HookResult CheckFiles(CliContext& context, const QCommandLineParser& parser) override;
  bool NeedsHardwareAddress(CliContext&, const QCommandLineParser& parser) override;
  // The kept version is found before registering: a history that holds
  // nothing costs the router no registration.
  HookResult Resolved(RouterSession& session, const QCommandLineParser& parser) override;
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override;

 private:
  std::string path_;   // the older configuration's file
  std::string label_;  // how the output names it
};

}  // namespace tarcfg::cli
