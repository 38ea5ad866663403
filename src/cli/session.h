// SPDX-License-Identifier: GPL-3.0-or-later
// RouterSession: the router protocol driven by a loop of its own, with the steps
// every network command shares: scan, resolve a router argument, register
// (answering a password challenge), read the configuration, deregister.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/json_writer.h"
#include "config/configuration.h"
#include "protocol/router_protocol.h"

namespace tarcfg::cli {

struct FoundRouter {
  ScanAnswer answer;
  std::string line;         // as the main window lists it
  std::string displayName;  // address text, or "---------"
  std::string hardwareAddress;
};

class RouterSession {
 public:
  explicit RouterSession(CliContext& context);
  ~RouterSession();

  // Opens UDP port 1532. On failure prints 40012 and gives false.
  bool Open();
  // The same with `onError` as the protocol's error callback, for a caller
  // that drives the protocol from a loop of its own and handles the errors
  // and given-up registrations itself (serve).
  bool Open(std::function<void(int code)> onError);

  // Runs the event loop until `done` holds, an error was reported, or
  // `seconds` have passed (then prints 40008). True when `done` held.
  // A stop signal (SIGINT, SIGTERM, SIGHUP; a closed standard output counts
  // as SIGPIPE) ends it too, with false; StopSignals::caught() tells.
  bool RunUntil(const std::function<bool()>& done, int seconds = 300);
  // RunUntil for what is still to be done after a stop signal (stopping the
  // line monitor, the deregistration's repetitions): only a second signal
  // ends it early.
  bool RunWhileStopping(const std::function<bool()>& done, int seconds);
  // Runs the loop for about `seconds` seconds.
  void RunFor(double seconds);

  // One scan of the network; routers in the order the main window lists them.
  std::vector<FoundRouter> Scan();
  // Open, then Scan: nothing when either failed (its message is printed).
  std::optional<std::vector<FoundRouter>> OpenAndScan();
  // The first router of a scan that `matches`. A scan's queries and answers
  // travel unacknowledged, so a router counts as absent only after three
  // scans without its answer.
  std::optional<FoundRouter> FindRouter(const std::function<bool(const ScanAnswer&)>& matches);

  // An address or host name, or a hardware address as scan shows it (then a
  // scan finds its address, possibly 0 for a router in loader mode).
  struct Target {
    std::uint32_t address = 0;
    HardwareAddress hardwareAddress{};
    bool hardwareKnown = false;
    std::uint32_t registeredHost = 0;  // as the scan reported it
    std::string name;                  // the router's name text (dotted quad)
  };
  std::optional<Target> ResolveRouter(const QString& text, bool needHardwareAddress);

  // Registers (asking for the password when the router wants one) and reads
  // the three tables. Prints the refusal or error message on failure.
  bool RegisterAndLoad(const Target& target, const QString& passwordOption);
  // Every way out of a command that registered (or tried to) ends here,
  // stop signals included.
  void Deregister();
  // The router ends the registration itself (a firmware download restarts
  // it): no deregistration is sent for this session any more.
  void LeaveRegistered() { leaveRegistered_ = true; }
  bool leavesRegistered() const { return leaveRegistered_; }

  // The router of the last RegisterAndLoad.
  const Target& target() const { return target_; }

  RouterProtocol& protocol() { return *protocol_; }
  CliContext& context() { return context_; }
  const RouterParameters& current() const { return current_; }
  RouterParameters& current() { return current_; }
  Configuration& configuration() { return configuration_; }
  const Configuration& saved() const { return saved_; }
  // Set once a failure message has been printed.
  bool failed() const { return failed_; }
  void ClearFailure() { failed_ = false; }

 private:
  void OnNetworkError(int code);
  // How messages name the router of this session ("" before one is known).
  std::string RouterName() const;
  bool RunLoop(const std::function<bool()>& done, int seconds, int stopSignals);
  // The password from -p, $TARCFG_PASSWORD or the terminal (echo off); none
  // when there is no terminal or a stop signal arrived at the prompt.
  std::optional<std::string> AskPassword(const QString& passwordOption);

  CliContext& context_;
  std::unique_ptr<RouterProtocol> protocol_;
  bool failed_ = false;
  RouterParameters current_;
  Configuration configuration_;
  Configuration saved_;
  std::optional<std::string> password_;
  Target target_;
  bool leaveRegistered_ = false;
};

// The registration password option of the router commands: -p/--password.
const QCommandLineOption& PasswordOption();
// The password given with -p, or a null text (then $TARCFG_PASSWORD or a prompt).
QString PasswordArgument(const QCommandLineParser& parser);
// The ROUTER argument and the password option.
void AddRouterArguments(QCommandLineParser& parser);
// Reads tarcfg.pro, opens the protocol, resolves the first argument and
// registers with that router, reading its configuration. 0 or an exit code.
// With `needHardwareAddress` a scan finds the hardware address of a router
// given by address or name (session.target()).
int RegisterWithArgument(RouterSession& session, const QCommandLineParser& parser,
                         bool needHardwareAddress = false);

// "\r\n" to "\n", for texts the desktop tool shows in Windows style.
std::string UnixLineEnds(std::string text);

}  // namespace tarcfg::cli
