// SPDX-License-Identifier: GPL-3.0-or-later
// ConfigArchive: what the tool does with a configuration it read from a
// router (`serve --archive-interval` on its schedule, the desktop tool at
// each registration). The configuration history keeps a new version only
// when the tables differ from the newest version kept, with the differences
// in its comment lines. A difference that is exactly what the newest
// version's note says this tool was about to send (a write by tarcfg or
// tarcfg-cli) is kept as the state that write left; any other difference is
// a change made elsewhere. A router's first version is kept only when the
// caller names an operation for it.
#pragma once

#include <optional>
#include <string>

#include "config/config_file.h"
#include "config/config_history.h"
#include "config/configuration.h"

namespace tarcfg {

// The operation of a version whose difference was made outside this tool.
inline constexpr const char* kChangedElsewhere = "changed elsewhere";

struct ArchiveResult {
  bool ok = false;  // compared, and kept when it differed
  std::string error;
  bool kept = false;
  bool changedElsewhere = false;  // kept as a change made elsewhere
  int versions = 0;               // versions kept of the router now
  // Unix time of the newest version kept as changed elsewhere.
  std::optional<double> lastChange;
  // Kept, but the history folder's git repository took no commit: why.
  std::string repositoryError;
};

class ConfigArchive {
 public:
  // `firstOperation` is the operation of a router's first version, and of
  // one kept after a newest version that no longer loads; empty: neither is
  // kept.
  ConfigArchive(ConfigHistory history, ConfigContext context, std::string firstOperation);

  const ConfigHistory& history() const { return history_; }

  // Compares `read` (the router's tables as just read, `router` its
  // parameters, named) with the newest version kept, and keeps it when
  // they differ.
  // `hardware` is the router's hardware address as the history names it.
  ArchiveResult Archive(const std::string& hardware, const Configuration& read,
                        const RouterParameters& router) const;
  // The same with the note's router name and workstation given; the
  // archive fills in its operation and differences.
  ArchiveResult Archive(const std::string& hardware, const Configuration& read,
                        const RouterParameters& router, HistoryNote note) const;

 private:
  ConfigHistory history_;
  ConfigContext context_;
  std::string firstOperation_;
};

}  // namespace tarcfg
