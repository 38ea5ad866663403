// SPDX-License-Identifier: GPL-3.0-or-later
// The protocol definition file "tarcfg.pro" that extends the layer-2 table,
// and "tarcfg.add", written for protocols a router uses and the tool lacks.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "config/records.h"

namespace tarcfg {

inline constexpr const char* kProtocolFileName = "tarcfg.pro";
inline constexpr const char* kProtocolAdditionsFileName = "tarcfg.add";

struct ProtocolDefinitionResult {
  bool ok = true;
  int line = 0;
  int column = 0;  // 0: the line is inconsistent rather than malformed
};

// Resets `tables` to the built-ins and reads "<directory>/tarcfg.pro". A
// missing file is not an error. Trace lines go to `trace` (stdout).
ProtocolDefinitionResult ReadProtocolDefinitions(const std::string& directory,
                                                 ProtocolTables& tables, std::FILE* trace = stdout);

struct ProtocolAdditionsResult {
  bool ok = true;          // false only when tarcfg.add could not be created
  bool undefined = false;  // some line target has no layer-2 table entry
  // The given tables with the definitions the file holds afterwards: the
  // tables the file's names are valid in (for "save.cfg").
  ProtocolTables tables;
};

// Writes "<directory>/tarcfg.add" with one definition per distinct undefined
// x75 parameter set of `lineTargets` that a definition line can state. The
// definitions the file already holds and `tables` still lack are kept; a new
// one is named x75_N with the lowest N that neither `tables` nor the file
// use. Every line reads back as a line of tarcfg.pro. Leaves an existing
// file alone when no line target qualifies.
ProtocolAdditionsResult WriteProtocolAdditions(const std::string& directory,
                                               const LineTargetList& lineTargets,
                                               const ProtocolTables& tables);

// The line targets whose protocols `tables` lack (no layer-2 or no layer-3
// entry): a download leaves them out of the image. 1-based list positions.
std::vector<int> LineTargetsWithUndefinedProtocols(const LineTargetList& lineTargets,
                                                   const ProtocolTables& tables);

// "Line target 2: 198.51.100.201 0309999" for each of `positions`.
std::vector<std::string> DescribeLineTargets(const LineTargetList& lineTargets,
                                             const std::vector<int>& positions);

// What makes a configuration with undefined protocols writable as a ".cfg"
// text that loads again once `definitions` are in tarcfg.pro.
struct ProtocolCompletion {
  ProtocolTables tables;       // the given tables and one x75_N entry per new definition
  LineTargetList lineTargets;  // the given targets, pointing at those entries
  std::string definitions;     // the tarcfg.pro lines; empty when none were needed
  std::vector<int> unstated;   // positions no definition line can state (still left out)
};
ProtocolCompletion CompleteProtocols(const LineTargetList& lineTargets,
                                     const ProtocolTables& tables);

}  // namespace tarcfg
