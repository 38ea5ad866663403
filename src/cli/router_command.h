// SPDX-License-Identifier: GPL-3.0-or-later
// A command that works on one registered router: ROUTER (and -p) on its
// command line. The base reads tarcfg.pro, opens the protocol, resolves
// ROUTER, registers and reads the router's configuration, runs the command
// and deregisters, in that order and in this one place.
#pragma once

#include "cli/command.h"
#include "cli/session.h"

namespace tarcfg::cli {

// What a hook of RouterCommand tells the base: go on, go on without
// registering, or stop with an exit code. Kept apart from the exit codes so
// that no exit code can be taken for a way on.
class HookResult {
 public:
  static HookResult Continue() { return HookResult(Next::Continue, 0); }
  // From Resolved, when the router cannot be registered with (a router in
  // its loader): the command runs unregistered.
  static HookResult WithoutRegistration() { return HookResult(Next::WithoutRegistration, 0); }
  static HookResult Exit(int exitCode) { return HookResult(Next::Exit, exitCode); }

  bool exits() const { return next_ == Next::Exit; }
  bool registers() const { return next_ == Next::Continue; }
  int exitCode() const { return exitCode_; }  // when exits()

 private:
  enum class Next { Continue, WithoutRegistration, Exit };
  HookResult(Next next, int exitCode) : next_(next), exitCode_(exitCode) {}

  Next next_;
  int exitCode_;
};

class RouterCommand : public Command {
 protected:
  // Adds ROUTER and -p; commands add their own options after it.
  void AddOptions(QCommandLineParser& parser) override;

  // Checks the options before anything goes out: Continue or Exit.
  virtual HookResult CheckOptions(CliContext& context, const QCommandLineParser& parser);
  // Checks the command's input files once tarcfg.pro is read, before the
  // network is touched: a missing or broken file fails at once.
  virtual HookResult CheckFiles(CliContext& context, const QCommandLineParser& parser);
  // Whether ROUTER must be resolved to its hardware address (by a scan).
  virtual bool NeedsHardwareAddress(CliContext& context, const QCommandLineParser& parser);
  // ROUTER is resolved (session.target()), nothing registered yet.
  virtual HookResult Resolved(RouterSession& session, const QCommandLineParser& parser);
  // Runs with the router registered and its configuration read; gives the
  // exit code. The base deregisters afterwards unless the session failed.
  virtual int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) = 0;

 private:
  int Execute(CliContext& context, const QCommandLineParser& parser) final;
};

}  // namespace tarcfg::cli
