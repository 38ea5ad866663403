// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the protocol definition file reader, ReadProtocolDefinitions.
//
// The whole input is "tarcfg.pro". Checked besides "no crash, no UB, no
// leak":
// - the built-in entries stay first and unchanged, the layer-3 table is never
//   extended, the layer-2 table holds at most 20 entries with distinct names;
// - every added entry is consistent (a modulo above its window size)
//   and its parameters differ from every entry of the same base before it;
// - a failure names its line; reading again gives the same tables (the
//   reader starts from the built-ins every time).
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/protocol_definitions.h"
#include "fuzz_support.h"

namespace tarcfg::fuzz {
namespace {

void CheckTables(const ProtocolTables& tables) {
  const ProtocolTables builtIn;
  FUZZ_CHECK(tables.layer3().size() == builtIn.layer3().size());
  FUZZ_CHECK(tables.layer2().size() >= builtIn.layer2().size());
  FUZZ_CHECK(tables.layer2().size() <= static_cast<std::size_t>(kMaxProtocolsPerTable));
  for (std::size_t i = 0; i < builtIn.layer2().size(); ++i) {
    FUZZ_CHECK(tables.layer2()[i].name == builtIn.layer2()[i].name);
    FUZZ_CHECK(tables.layer2()[i].parameters == builtIn.layer2()[i].parameters);
  }
  for (std::size_t i = 0; i < tables.layer2().size(); ++i) {
    const Layer2Protocol& entry = tables.layer2()[i];
    FUZZ_CHECK(!entry.name.empty());
    FUZZ_CHECK(tables.FindLayer2ByName(entry.name.view()) == static_cast<int>(i));
    if (i < builtIn.layer2().size())
      continue;
    FUZZ_CHECK(entry.parameters.modulo > entry.parameters.windowSize);
    FUZZ_CHECK(tables.FindLayer2ByParameters(entry.parameters, entry.base) == static_cast<int>(i));
  }
}

}  // namespace
}  // namespace tarcfg::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarcfg;
  using namespace tarcfg::fuzz;
  WriteWholeFile(ScratchDirectory::File(kProtocolFileName), std::span(data, size));

  ProtocolTables tables;
  ProtocolDefinitionResult result =
      ReadProtocolDefinitions(ScratchDirectory::Path(), tables, TraceSink());
  if (!result.ok)
    FUZZ_CHECK(result.line >= 1 && result.column >= 0);
  CheckTables(tables);

  ProtocolTables again;
  // Starts from whatever the first read left: the reader must reset it.
  again.AppendLayer2(Layer2Protocol{"left_over", kLayer2BaseX75, 0, {1, 1, 1, 8, 1}});
  ProtocolDefinitionResult second =
      ReadProtocolDefinitions(ScratchDirectory::Path(), again, TraceSink());
  FUZZ_CHECK(second.ok == result.ok && second.line == result.line &&
             second.column == result.column);
  FUZZ_CHECK(again.layer2().size() == tables.layer2().size());
  for (std::size_t i = 0; i < tables.layer2().size(); ++i) {
    FUZZ_CHECK(again.layer2()[i].name == tables.layer2()[i].name);
    FUZZ_CHECK(again.layer2()[i].base == tables.layer2()[i].base);
    FUZZ_CHECK(again.layer2()[i].parameters == tables.layer2()[i].parameters);
  }
  return 0;
}
