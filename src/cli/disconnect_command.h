// SPDX-License-Identifier: GPL-3.0-or-later
// disconnect: drops one B-channel of the router.
#pragma once

#include "cli/cli_text.h"
#include "cli/router_command.h"

namespace tarcfg::cli {

class DisconnectCommand : public RouterCommand {
 public:
  QString name() const override { return "disconnect"; }
  QString synopsis() const override { return "ROUTER 1|2"; }
  QString description() const override { return CliText::tr("Drop B-channel 1 or 2."); }

 protected:
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 2; }
  int maximumArguments() const override { return 2; }
  HookResult CheckOptions(CliContext&, const QCommandLineParser& parser) override;
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override;
};

}  // namespace tarcfg::cli
