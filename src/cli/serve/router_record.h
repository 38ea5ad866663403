// SPDX-License-Identifier: GPL-3.0-or-later
// What `tarcfg-cli serve` knows of one router between its rounds, and what
// the periodic reads (accounting, configuration archive) left behind.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/router_protocol.h"

namespace tarcfg::serve {

// What is known of one line target after an accounting read.
struct LineTargetAccounting {
  int position = 0;  // 1-based, as `tarcfg-cli connect` counts
  std::string hostName;
  std::string phoneNumber;
  std::array<std::uint32_t, 7> counters{};  // charge, calls out/in, packets out/in, bytes out/in
};

// How the reads of one kind fared with one router.
struct ReadRecord {
  bool attempted = false;  // a read was tried, or left out for another host's registration
  bool ok = false;         // the last one succeeded
  int failures = 0;        // failures in a row
  int skipRounds = 0;      // rounds of this kind still to skip
  std::string problem;     // the last problem logged; empty when all is well
};

// What is known of one router, by hardware address.
struct RouterRecord {
  std::uint32_t address = 0;
  std::uint32_t registeredHost = 0;
  bool up = false;       // answered the last scan
  int roundsUnseen = 0;  // scans in a row without its answer
  std::optional<OverviewAnswer> overview;
  int overviewAge = 0;  // rounds since the overview answer was taken

  ReadRecord accounting;
  std::vector<LineTargetAccounting> lineTargets;  // of the last successful accounting read

  ReadRecord archive;
  std::optional<int> versions;       // configurations the history keeps, once read
  std::optional<double> lastChange;  // Unix time a change made elsewhere was kept
};

}  // namespace tarcfg::serve
