// SPDX-License-Identifier: GPL-3.0-or-later
// bench_config_file: writes and reads a maximal ".cfg" file (30 line
// targets, 64 routes, 64 filters) many times with the real writer and
// reader, and reports the median and the worst time of each.
//
//   bench_config_file --dir DIR [--disk-dir DIR] [--runs 1000]
//
// WriteConfigFile writes a temporary beside the file, syncs it to the
// storage, renames it and syncs the folder, as "Save" does. The goal rows
// are measured in DIR; scripts/bench gives a RAM-backed folder there, so
// they show the program's own work. With --disk-dir the same writes are
// timed on a disk as well: that figure adds the storage's sync wait.
// Name resolving is off, so no address is looked up; service names come
// from the system's services file, as in the tool.
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "config/config_file.h"

namespace {

using namespace tarcfg;

Configuration MaximalConfiguration(const ProtocolTables& tables) {
  Configuration c;
  for (int i = 0; i < kMaxLineTargets; ++i) {
    LineTarget t = NewLineTarget();
    t.hostName = "198.51.100." + std::to_string(100 + i);
    t.phoneNumber = "0049301234567" + std::to_string(1000000 + i);  // 20 digits
    t.layer2Protocol = i % 3;
    t.layer2Base = tables.Layer2At(t.layer2Protocol)->base;
    t.layer3Protocol = (i / 3) % 3;
    t.layer3Type = tables.Layer3At(t.layer3Protocol)->type;
    t.timeout = 5 + i * 20;
    t.manualOnly = i % 2;
    t.channelBundling = (i / 2) % 2;
    t.compression = (i / 4) % 2;
    const std::string n = std::to_string(10 + i);
    t.remoteIdentification = "remote-branch-office-" + n + "/secret-pass-" + n + "x";  // 40
    t.localIdentification = "local-head-office-000" + n + "/secret-word-" + n + "y";   // 40
    t.tablePosition = i;
    c.lineTargets.Append(std::move(t));
  }
  for (int i = 0; i < kMaxRoutes; ++i) {
    RouteEntry r;
    r.netmask = "255.255.255.0";
    r.match = "10." + std::to_string(i) + ".200.0";
    r.gateway = "198.51.100." + std::to_string(100 + i % kMaxLineTargets);
    r.tablePosition = i;
    c.routes.Append(std::move(r));
  }
  const int protocols[] = {6, 17, 6, 1};
  const int ports[] = {23, 53, 8080, 0};
  for (int i = 0; i + 1 < kMaxFilters; ++i) {
    FilterEntry f;
    f.sendNetmask = "255.255.255.0";
    f.sendMatch = "198.51." + std::to_string(i) + ".0";
    f.receiveNetmask = i % 2 ? "255.255.0.0" : "0.0.0.0";
    f.receiveMatch = i % 2 ? "172.16.0.0" : "0.0.0.0";
    f.protocol = protocols[i % 4];
    f.port = ports[i % 4] + (i % 4 == 2 ? i : 0);
    f.action = i % 2;
    f.tablePosition = i;
    c.filters.Append(std::move(f));
  }
  EnsureDefaultFilter(c.filters);
  return c;
}

void Report(const char* what, const std::vector<double>& microseconds) {
  std::vector<double> sorted = microseconds;
  std::sort(sorted.begin(), sorted.end());
  std::printf("%s: median %.0f us, p99 %.0f us, max %.0f us (%zu runs)\n", what,
              bench::Median(sorted), sorted[sorted.size() * 99 / 100], sorted.back(),
              sorted.size());
}

struct Series {
  std::vector<double> format, write, read;
};

// Formats, writes and reads the file `runs` times; false when the first
// read does not give back exactly what was written.
bool Measure(const std::string& path, int runs, const Configuration& original,
             const RouterParameters& router, const ConfigContext& context, std::FILE* trace,
             Series& series) {
  const std::string expected =
      FormatConfigFile(original.lineTargets, original.routes, original.filters, router, context);
  for (int run = 0; run < runs; ++run) {
    std::int64_t start = bench::NowNs();
    const std::string text =
        FormatConfigFile(original.lineTargets, original.routes, original.filters, router, context);
    series.format.push_back(static_cast<double>(bench::NowNs() - start) / 1e3);

    start = bench::NowNs();
    const bool written = static_cast<bool>(WriteConfigFile(
        path, original.lineTargets, original.routes, original.filters, router, context));
    series.write.push_back(static_cast<double>(bench::NowNs() - start) / 1e3);

    Configuration loaded;
    start = bench::NowNs();
    const ConfigReadResult result = ReadConfigFile(path, 0, context, loaded, trace);
    series.read.push_back(static_cast<double>(bench::NowNs() - start) / 1e3);

    if (run == 0) {
      const std::string again =
          FormatConfigFile(loaded.lineTargets, loaded.routes, loaded.filters, router, context);
      if (!written || result.code != kConfigOk || loaded.lineTargets.count() != kMaxLineTargets ||
          loaded.routes.count() != kMaxRoutes || loaded.filters.count() != kMaxFilters ||
          again != expected || text != expected) {
        std::fprintf(stderr,
                     "%s does not round-trip (written %d, read code %d at line %d column %d)\n",
                     path.c_str(), written, result.code, result.line, result.column);
        return false;
      }
    }
  }
  std::remove(path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* dir = bench::Option(argc, argv, "--dir", nullptr);
  const char* diskDir = bench::Option(argc, argv, "--disk-dir", nullptr);
  const auto runs = static_cast<int>(bench::NumberOption(argc, argv, "--runs", 1000));
  if (!dir || runs <= 0) {
    std::fputs("usage: bench_config_file --dir DIR [--disk-dir DIR] [--runs N]\n", stderr);
    return 2;
  }
  SystemNetDatabase database;
  AddressService addresses(database);
  addresses.SetNameResolve(false);
  ProtocolTables tables;
  const ConfigContext context{tables, addresses, database};
  const Configuration original = MaximalConfiguration(tables);
  RouterParameters router;
  router.name = "198.51.100.10";
  router.netmask = "255.255.255.0";
  router.phoneNumber = "03012345678901234567";
  router.dChannelProtocol = 1;
  router.firmwareVersion = "2.10";
  std::FILE* trace = std::fopen("/dev/null", "w");
  if (!trace)
    return 1;

  Series series;
  if (!Measure(std::string(dir) + "/maximal.cfg", runs, original, router, context, trace, series))
    return 1;
  std::printf(
      "file: %zu bytes, %d line targets, %d routes, %d filters, in %s\n",
      FormatConfigFile(original.lineTargets, original.routes, original.filters, router, context)
          .size(),
      kMaxLineTargets, kMaxRoutes, kMaxFilters, dir);
  // The first run also fills the process's answers of the services file.
  std::printf(
      "first run (services file still unread): format %.0f us, write %.0f us, read %.0f us\n",
      series.format[0], series.write[0], series.read[0]);
  Report("format (text only)", series.format);
  Report("write (format, temporary file, fsync, rename, fsync of the folder)", series.write);
  Report("read", series.read);

  Series disk;
  if (diskDir) {
    if (!Measure(std::string(diskDir) + "/maximal.cfg", std::min(runs, 100), original, router,
                 context, trace, disk))
      return 1;
    Report((std::string("write in ") + diskDir).c_str(), disk.write);
  }
  std::fclose(trace);

  const double write = bench::Median(series.write), read = bench::Median(series.read);
  bench::Result(".cfg write 30/64/64",
                bench::Format("%.0f us median", write) +
                    bench::Format(", max %.0f us", bench::Max(series.write)),
                "< 1000 us", write < 1000);
  bench::Result(".cfg read 30/64/64",
                bench::Format("%.0f us median", read) +
                    bench::Format(", max %.0f us", bench::Max(series.read)),
                "< 1000 us", read < 1000);
  if (diskDir)
    bench::Figure(".cfg write on disk (adds the sync wait)",
                  bench::Format("%.0f us median", bench::Median(disk.write)) +
                      bench::Format(", max %.0f us", bench::Max(disk.write)));
  return 0;
}
