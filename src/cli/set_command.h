// SPDX-License-Identifier: GPL-3.0-or-later
// set: changes the router's address, mask, phone number, password or
// exclusive right.
#pragma once

#include <optional>
#include <string>

#include "cli/cli_text.h"
#include "cli/router_command.h"

namespace tarcfg::cli {

class SetCommand : public RouterCommand {
 public:
  QString name() const override { return "set"; }
  QString synopsis() const override {
    return "ROUTER [--ip A] [--netmask M] [--phone P] [--new-password [-]] "
           "[--exclusive|--no-exclusive] [--no-history]";
  }
  QString description() const override {
    return CliText::tr(
        "Change the router's address, mask, phone number, password or exclusive right.");
  }

 protected:
  // --new-password without a value (last, or before another option) asks
  // for the password; the parser only knows options that always take one.
  QStringList AdjustArguments(const QStringList& arguments) override;
  void AddOptions(QCommandLineParser& parser) override;
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }

  HookResult CheckOptions(CliContext&, const QCommandLineParser& parser) override;
  bool NeedsHardwareAddress(CliContext&, const QCommandLineParser&) override;
  HookResult Resolved(RouterSession& session, const QCommandLineParser&) override;
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override;

 private:
  bool newPasswordAsked_ = false;           // --new-password without a value
  std::optional<std::string> newPassword_;  // taken before anything goes out
};

}  // namespace tarcfg::cli
