// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration history: before anything is written to a router, the
// configuration as last read from it is kept as a ".cfg" file, so that no
// write can lose what the router held.
//
// Layout: <directory>/<hardware address>/<UTC time>.cfg, for example
// ~/.local/state/tarcfg/history/00-60-1a-10-00-01/20240501T120000Z.cfg. A
// second file of the same second gets "-2", "-3", ... before ".cfg". Each
// file is the writer's exact text behind a block of comment lines (when,
// which router, by what, what was about to be sent), which the reader skips:
// a history file loads like any other ".cfg".
//
// Files are created atomically (written beside, then linked into place, so a
// file never appears half-written and an existing one is never replaced) and
// readable by the owner only: line-target identifications are in clear.
// Only the newest `limit` files per router are kept; a limit of 0 turns the
// history off.
//
// When the folder is a git repository, a configuration kept from memory is
// also committed there as "<hardware address>.cfg" (config/history_repository.h);
// that file is no history version and never listed.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/history_repository.h"

namespace tarcfg {

inline constexpr int kDefaultHistoryLimit = 50;

// Where the history lives: $XDG_STATE_HOME/tarcfg/history, else
// $HOME/.local/state/tarcfg/history.
std::string DefaultHistoryDirectory();

// What a history file says about itself, besides the configuration.
struct HistoryNote {
  std::string routerName;            // the router's address text, may be empty
  std::string operation;             // "tarcfg-cli write edited.cfg", "Line Targets OK", ...
  std::vector<std::string> sending;  // what was about to be sent, one line each
  // The workstation, for the commit message when the folder is a git
  // repository: its host name and own address, either may be empty.
  std::string hostName;
  std::string ownAddress;
  // How the configuration differs from the version kept before it, one
  // line each (a change noticed rather than made by this tool).
  std::vector<std::string> differences;
};

// One file of a router's history, as the listing shows it.
struct HistoryEntry {
  std::string path;
  std::string fileName;
  std::string time;  // "2024-05-01T12:00:00Z"
  std::string routerName;
  std::string operation;
  std::vector<std::string> sending;
  std::vector<std::string> differences;
  int lineTargets = 0;  // data lines of each section
  int routes = 0;
  int filters = 0;
};

struct HistoryKeepResult {
  bool ok = false;
  std::string path;   // the file written
  std::string error;  // why not, for the user ("cannot create ...: Permission denied")
  // The history folder is a git repository: whether the kept configuration
  // was committed there, or why not. A failed commit leaves `ok` alone.
  bool committed = false;
  std::string repositoryError;
};

class ConfigHistory {
 public:
  using Clock = std::function<std::chrono::system_clock::time_point()>;

  // `directory` holds one folder per router; `clock` gives the time a file
  // is named after (the system clock when empty).
  ConfigHistory(std::string directory, int limit, Clock clock = {});

  bool enabled() const { return limit_ > 0; }
  int limit() const { return limit_; }
  const std::string& directory() const { return directory_; }

  // The folder of one router; empty when `hardwareAddress` is not of the
  // form "00-60-1a-10-00-01" (which keeps any other text out of the path).
  std::string RouterDirectory(const std::string& hardwareAddress) const;

  // Keeps `configText` (the writer's text) for the router, then removes the
  // oldest files beyond the limit. Does nothing, successfully, when the
  // history is off.
  HistoryKeepResult Keep(const std::string& hardwareAddress, const std::string& configText,
                         const HistoryNote& note) const;
  // The same for a configuration in memory, in the writer's format. When the
  // folder is a git repository the configuration is also committed there,
  // with the differences from the router's previously committed file.
  HistoryKeepResult Keep(const std::string& hardwareAddress, const LineTargetList& lineTargets,
                         const RouteList& routes, const FilterList& filters,
                         const RouterParameters& router, const ConfigContext& context,
                         const HistoryNote& note) const;

  // The router's history files, newest first; empty when there are none.
  std::vector<HistoryEntry> List(const std::string& hardwareAddress) const;

  // Creates the folder if missing and makes it a git repository.
  RepositoryInitResult InitRepository() const;

 private:
  std::string directory_;
  int limit_;
  Clock clock_;

  void Commit(const std::string& hardwareAddress, const std::string& configText,
              const Configuration& kept, int permanentConnection, const ConfigContext& context,
              const HistoryNote& note, HistoryKeepResult& result) const;
};

// "20240501T120000Z" for a point in time (UTC).
std::string HistoryStamp(std::chrono::system_clock::time_point time);

// The comment block and section counts of a history file's text.
HistoryEntry ParseHistoryText(const std::string& text);

}  // namespace tarcfg
