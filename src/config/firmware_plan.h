// SPDX-License-Identifier: GPL-3.0-or-later
// What a firmware download sends, worked out once: which tables go with the
// image, which line targets it leaves out and why, and the lines the
// configuration history notes before the download. The desktop tool and
// tarcfg-cli render the same plan (a question or a refusal for the line
// targets left out, the history note, the tables handed to the protocol).
#pragma once

#include <string>
#include <vector>

#include "config/configuration.h"
#include "config/records.h"

namespace tarcfg {

// Which tables go with the image.
enum class FirmwareTables {
  kNone,        // a router in its loader gets the image alone
  kEmpty,       // the mode carries no tables, or the router's were not read
  kRoutersOwn,  // the router's line targets, routes and filters
};

struct FirmwareDownloadPlan {
  FirmwareTables tables = FirmwareTables::kNone;
  // The tables to embed: nullptr for kNone, an empty set for kEmpty, else
  // the configuration the plan was made from (it must outlive the plan).
  const Configuration* configuration = nullptr;
  // "Line target 2: 198.51.100.201 0309999" for each line target whose
  // protocols the protocol definitions lack: the image cannot carry them.
  std::vector<std::string> leftOut;
  // The configuration history's "Sending" lines; none for a router in its
  // loader, which has told nothing that could be kept.
  std::vector<std::string> historyLines;
};

// The download of `pending` to a router running `current`. `inLoader`: the
// router has no address yet. `configuration`: the router's tables as read,
// nullptr when they were not. `definitions`: the protocol definitions the
// line targets' protocols are looked up in.
FirmwareDownloadPlan PlanFirmwareDownload(const RouterParameters& current,
                                          const RouterParameters& pending, bool inLoader,
                                          const Configuration* configuration,
                                          const ProtocolTables& definitions);

}  // namespace tarcfg
