// SPDX-License-Identifier: GPL-3.0-or-later
// ConfigArchive: what `serve --archive-interval` does with a configuration it
// read. The configuration history keeps a new version only when the tables
// differ from the newest version kept, with the differences in its comment
// lines. The first version of a router is kept as it is; a difference that is
// exactly what the newest version's note says this tool was about to send
// (a write by tarcfg or tarcfg-cli) is kept as the state that write left;
// any other difference is a change made elsewhere.
#pragma once

#include <optional>
#include <string>

#include "config/config_file.h"
#include "config/config_history.h"
#include "config/configuration.h"
#include "protocol/router_protocol.h"

namespace tarcfg::serve {

// The operation of a version whose difference was made outside this tool.
inline constexpr const char* kChangedElsewhere = "changed elsewhere";
// The operation of a router's first version, and of one kept after a newest
// version that no longer loads.
inline constexpr const char* kArchivedByServe = "archived by tarcfg-cli serve";

struct ArchiveResult {
  bool ok = false;  // compared, and kept when it differed
  std::string error;
  bool kept = false;
  bool changedElsewhere = false;  // kept as a change made elsewhere
  int versions = 0;               // versions kept of the router now
  // Unix time of the newest version kept as changed elsewhere.
  std::optional<double> lastChange;
};

class ConfigArchive {
 public:
  ConfigArchive(ConfigHistory history, ConfigContext context);

  const ConfigHistory& history() const { return history_; }

  // Compares `read` (the router's tables as just read, `router` its
  // parameters, named) with the newest version kept, and keeps it when
  // they differ.
  ArchiveResult Archive(const HardwareAddress& hardware, const Configuration& read,
                        const RouterParameters& router) const;

 private:
  ConfigHistory history_;
  ConfigContext context_;
};

}  // namespace tarcfg::serve
