// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the ".cfg" reader, ReadConfigFile.
//
// The whole input is the file. It is read for a switched router and for a
// permanent connection. Checked besides "no crash, no UB, no leak":
// - a failed read leaves the configuration exactly as it was;
// - a successful read keeps the limits (30 line targets, 1 on a permanent
//   connection, 64 routes, 64 filters ending with a default entry);
// - what was read, written with the writer and read again, gives the same
//   lists: nothing the reader accepts is lost on the way back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/config_file.h"
#include "fuzz_support.h"

namespace tarcfg::fuzz {
namespace {

struct Context {
  Context() {
    database.AddHost("gw.example", 0x0A000001);
    database.AddHost("router.example", 0x0A00000A);
    database.AddHost("remote", 0x7C321065);
    // A definition-file entry beside the built-ins, as tarcfg.pro adds them.
    Layer2Protocol x75 = *tables.Layer2At(tables.FindLayer2ByName("x75"));
    x75.name = "x75_1";
    x75.parameters.windowSize = 2;
    tables.AppendLayer2(x75);
  }
  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  ConfigContext config{tables, addresses, database};
};

// A configuration that no file can produce, to tell "untouched" apart.
Configuration Sentinel() {
  Configuration configuration;
  LineTarget target = NewLineTarget();
  target.hostName = "sentinel";
  configuration.lineTargets.Append(target);
  configuration.routes.Append(RouteEntry{"255.0.0.0", "sentinel", "sentinel", 7});
  return configuration;
}

bool IsSentinel(const Configuration& configuration) {
  return configuration.lineTargets.count() == 1 && configuration.routes.count() == 1 &&
         configuration.filters.empty() &&
         configuration.lineTargets.NodeAt(1)->hostName == "sentinel" &&
         configuration.routes.NodeAt(1)->gateway == "sentinel";
}

template <class Record>
bool SameLists(const RecordList<Record>& a, const RecordList<Record>& b,
               bool (*same)(const Record&, const Record&)) {
  if (a.count() != b.count())
    return false;
  for (int i = 1; i <= a.count(); ++i)
    if (!same(*a.NodeAt(i), *b.NodeAt(i)))
      return false;
  return true;
}

void ReadAs(Context& context, const std::string& path, int permanentConnection) {
  Configuration configuration = Sentinel();
  ConfigReadResult result =
      ReadConfigFile(path, permanentConnection, context.config, configuration, TraceSink());
  FUZZ_CHECK(result.code >= kConfigOk && result.code < kConfigCannotOpen);
  FUZZ_CHECK(result.line >= 0 && result.column >= 0);
  if (result.code != kConfigOk) {
    FUZZ_CHECK(IsSentinel(configuration));
    FUZZ_CHECK(!ConfigReadMessage(result).empty());
    return;
  }
  FUZZ_CHECK(configuration.lineTargets.count() <=
             (permanentConnection != 0 ? kMaxLineTargetsPermanent : kMaxLineTargets));
  FUZZ_CHECK(configuration.routes.count() <= kMaxRoutes);
  FUZZ_CHECK(configuration.filters.count() >= 1 && configuration.filters.count() <= kMaxFilters);
  FUZZ_CHECK(IsDefaultFilter(*configuration.filters.NodeAt(configuration.filters.count())));

  // Back through the writer and the reader.
  RouterParameters router;
  router.name = "router.example";
  router.permanentConnection = static_cast<std::uint8_t>(permanentConnection);
  const std::string text = FormatConfigFile(configuration.lineTargets, configuration.routes,
                                            configuration.filters, router, context.config);
  const std::string again = ScratchDirectory::File("again.cfg");
  WriteWholeFile(again, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  Configuration reread;
  ConfigReadResult second =
      ReadConfigFile(again, permanentConnection, context.config, reread, TraceSink());
  FUZZ_CHECK(second.code == kConfigOk);
  FUZZ_CHECK(SameLists(configuration.lineTargets, reread.lineTargets, SameLineTarget));
  FUZZ_CHECK(SameLists(configuration.routes, reread.routes, SameRoute));
  FUZZ_CHECK(SameLists(configuration.filters, reread.filters, SameFilter));
}

}  // namespace
}  // namespace tarcfg::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarcfg::fuzz;
  // Fresh per input: the address service's cache and the database's
  // look-up counters carry nothing from one input to the next.
  Context context;
  const std::string path = ScratchDirectory::File("input.cfg");
  WriteWholeFile(path, std::span(data, size));
  ReadAs(context, path, 0);
  ReadAs(context, path, 1);
  return 0;
}
