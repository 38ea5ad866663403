// SPDX-License-Identifier: GPL-3.0-or-later
// bench_table_read: reads a router's whole configuration (line targets,
// routes and filters) several times and compares each read with as many
// round trips on the bare link, measured just before it.
//
//   bench_table_read --router ADDR --peer ADDR [--port 7007] [--runs 9]
//                    [--expect LINETARGETS,ROUTES,FILTERS] [--label TEXT] [--goal 1.25]
//
// Each run: round trips with the echo peer (the baseline of this run), then
// register, ReadConfiguration (timed), deregister. Every table entry is one
// numbered request and its answer: one round trip. Two ratios per run:
// typical, the median time from one read request to the next over the
// median baseline round trip; total, the read's time over entries x the
// mean baseline round trip. On a machine shared with other work the total
// takes every stall of the CPU, the typical one shows the exchange itself;
// the goal is judged on the median over the runs of the typical ratio.
// A table entry takes four datagrams where the baseline takes two, so each
// run also times the same four-datagram exchange between the two minimal
// programs (echo_peer.h): what the protocol's shape costs by itself. The
// goal is judged on the typical entry over that exchange (median of the
// runs). Also shown: the read's heap allocations per entry. --label names
// the router side in the result row (e.g. the minimal responder,
// bench_responder, in place of the emulator); --goal is the ratio to meet.
#include <cstdio>
#include <vector>

#include "allocation_count.h"
#include "bench_common.h"
#include "echo_peer.h"
#include "protocol_driver.h"

int main(int argc, char** argv) {
  const char* router = bench::Option(argc, argv, "--router", nullptr);
  const char* peer = bench::Option(argc, argv, "--peer", nullptr);
  const auto port = static_cast<std::uint16_t>(bench::NumberOption(argc, argv, "--port", 7007));
  const auto runs = static_cast<int>(bench::NumberOption(argc, argv, "--runs", 9));
  const std::string label = bench::Option(argc, argv, "--label", "");
  const double goal = bench::NumberOption(argc, argv, "--goal", 1.25);
  int expected[3] = {30, 64, 64};
  if (const char* expect = bench::Option(argc, argv, "--expect", nullptr))
    std::sscanf(expect, "%d,%d,%d", &expected[0], &expected[1], &expected[2]);
  bench::EchoPeer echo;
  if (!router || runs <= 0 || !echo.Open(peer, port)) {
    std::fputs("usage: bench_table_read --router ADDR --peer ADDR [--port N] [--runs N]\n", stderr);
    return 2;
  }

  bench::ProtocolDriver driver;
  if (!driver.Open())
    return 1;
  tarcfg::RouterProtocol& protocol = driver.protocol();
  const std::uint32_t address = driver.addresses().ResolveAddress(router);

  std::vector<double> times, baselines, ratios, totalRatios, shapeRatios, allocationsPerEntry,
      cpuPerEntry, shapeCpu;
  int roundTrips = 0;
  for (int run = 0; run < runs; ++run) {
    const std::vector<double> baseline = echo.RoundTrips(1000);
    const std::vector<double> shape = echo.TableEntryRoundTrips(500);
    shapeCpu.push_back(echo.cpuPerExchange());
    if (baseline.empty() || shape.empty()) {
      std::fprintf(stderr, "no echo from %s:%u\n", peer, unsigned{port});
      return 1;
    }
    tarcfg::RegistrationResult registration;
    bool answered = false;
    protocol.Register(
        [&](const tarcfg::RegistrationResult& result) {
          registration = result;
          answered = true;
        },
        address);
    if (!driver.RunUntil([&] { return answered; }, 10) ||
        registration.kind != tarcfg::RegistrationKind::Accepted) {
      std::fprintf(stderr, "registration with %s failed\n", router);
      return 1;
    }
    const int counts[3] = {registration.lineTargetCount, registration.routeCount,
                           registration.filterCount};
    bool read = false;
    int got[3] = {};
    driver.socket().Watch(tarcfg::command::kReadTableEntry);
    const long allocationsBefore = bench::Allocations();
    long allocationsAfter = 0;
    const std::int64_t start = bench::NowNs();
    const std::int64_t cpuStart = bench::ThreadCpuNs();
    protocol.ReadConfiguration(counts[0], counts[1], counts[2],
                               [&](tarcfg::Configuration& configuration) {
                                 got[0] = configuration.lineTargets.count();
                                 got[1] = configuration.routes.count();
                                 got[2] = configuration.filters.count();
                                 read = true;
                                 allocationsAfter = bench::Allocations();
                               });
    if (!driver.RunUntil([&] { return read; }, 60))
      return 1;
    const double microseconds = static_cast<double>(bench::NowNs() - start) / 1e3;
    const double cpuMicroseconds = static_cast<double>(bench::ThreadCpuNs() - cpuStart) / 1e3;
    protocol.Deregister();
    driver.RunFor(0.02);
    for (int t = 0; t < 3; ++t) {
      if (counts[t] != expected[t] || got[t] != expected[t]) {
        std::fprintf(stderr,
                     "table %d: the router announced %d entries, %d were read, %d expected\n", t,
                     counts[t], got[t], expected[t]);
        return 1;
      }
    }
    roundTrips = counts[0] + counts[1] + counts[2];
    const double typical = bench::Median(driver.socket().Intervals());
    const double baselineTypical = bench::Median(baseline), baselineMean = bench::Mean(baseline);
    times.push_back(microseconds);
    baselines.push_back(baselineTypical);
    ratios.push_back(typical / baselineTypical);
    totalRatios.push_back(microseconds / roundTrips / baselineMean);
    shapeRatios.push_back(typical / bench::Median(shape));
    allocationsPerEntry.push_back(static_cast<double>(allocationsAfter - allocationsBefore) /
                                  roundTrips);
    cpuPerEntry.push_back(cpuMicroseconds / roundTrips);
    std::printf(
        "run %d: %d round trips in %.2f ms, typical %.1f us; baseline typical %.1f us, mean "
        "%.1f us; ratio typical %.2f, total %.2f; minimal four-datagram exchange %.1f us, "
        "ratio %.2f; %.2f allocations, %.1f us of the tool's CPU per entry\n",
        run + 1, roundTrips, microseconds / 1e3, typical, baselineTypical, baselineMean,
        ratios.back(), totalRatios.back(), bench::Median(shape), shapeRatios.back(),
        allocationsPerEntry.back(), cpuPerEntry.back());
  }

  const double ratio = bench::Median(ratios), totalRatio = bench::Median(totalRatios);
  const double shapeRatio = bench::Median(shapeRatios);
  std::printf(
      "table read: median %.2f ms for %d round trips; baseline typical %.1f us; the tool's CPU "
      "%.1f us per entry, the minimal program's %.1f us per four-datagram exchange\n",
      bench::Median(times) / 1e3, roundTrips, bench::Median(baselines), bench::Median(cpuPerEntry),
      bench::Median(shapeCpu));
  bench::Result(
      "table read 30/64/64" + (label.empty() ? "" : ", " + label),
      bench::Format("%.2f x the minimal 4-datagram exchange", shapeRatio) +
          bench::Format(" (%.2f x round trip;", ratio) + bench::Format(" total %.2f;", totalRatio) +
          bench::Format(" %.1f allocations per entry)", bench::Median(allocationsPerEntry)),
      bench::Format("<= %.2f", goal), shapeRatio <= goal);
  return 0;
}
