// SPDX-License-Identifier: GPL-3.0-or-later
// A command that works on one registered router: ROUTER (and -p) on its
// command line. The base reads tarcfg.pro, opens the protocol, resolves
// ROUTER, registers and reads the router's configuration, runs the command
// and deregisters, in that order and in this one place.
#pragma once

#include "cli/command.h"
#include "cli/session.h"

namespace tarcfg::cli {

class RouterCommand : public Command {
 protected:
  // What a hook gives to let the base go on.
  static constexpr int kContinue = -1;
  // What Resolved gives when the router cannot be registered with (a
  // router in its loader): the command runs unregistered.
  static constexpr int kWithoutRegistration = -2;

  // Adds ROUTER and -p; commands add their own options after it.
  void AddOptions(QCommandLineParser& parser) override;

  // Checks the options before anything goes out: kContinue or an exit code.
  virtual int CheckOptions(CliContext& context, const QCommandLineParser& parser);
  // Whether ROUTER must be resolved to its hardware address (by a scan).
  virtual bool NeedsHardwareAddress(CliContext& context, const QCommandLineParser& parser);
  // ROUTER is resolved (session.target()), nothing registered yet: kContinue,
  // kWithoutRegistration or an exit code.
  virtual int Resolved(RouterSession& session, const QCommandLineParser& parser);
  // Runs with the router registered and its configuration read; gives the
  // exit code. The base deregisters afterwards unless the session failed.
  virtual int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) = 0;

 private:
  int Execute(CliContext& context, const QCommandLineParser& parser) final;
};

}  // namespace tarcfg::cli
