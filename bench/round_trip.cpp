// SPDX-License-Identifier: GPL-3.0-or-later
// bench_round_trip: the physical limit of a stop-and-wait exchange on the
// virtual LAN. One 508-byte datagram (the size of a firmware block message)
// goes to the echo peer, and the next leaves only when it has come back.
//
//   bench_round_trip --peer ADDR [--port 7007] [--count 5000] [--warmup 500]
//
// Also times the four-datagram exchange of a table entry between the same
// two minimal programs, for comparison with the table read.
#include <cstdio>
#include <vector>

#include "bench_common.h"
#include "echo_peer.h"

namespace {

void Print(const char* what, std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  std::printf("%s (us): mean %.1f  median %.1f  p10 %.1f  p90 %.1f  p99 %.1f  max %.1f\n", what,
              bench::Mean(samples), bench::Median(samples), samples[samples.size() / 10],
              samples[samples.size() * 9 / 10], samples[samples.size() * 99 / 100], samples.back());
}

}  // namespace

int main(int argc, char** argv) {
  const char* peer = bench::Option(argc, argv, "--peer", nullptr);
  const auto port = static_cast<std::uint16_t>(bench::NumberOption(argc, argv, "--port", 7007));
  const auto count = static_cast<int>(bench::NumberOption(argc, argv, "--count", 5000));
  const auto warmup = static_cast<int>(bench::NumberOption(argc, argv, "--warmup", 500));
  bench::EchoPeer echo;
  if (count <= 0 || warmup < 0 || !echo.Open(peer, port)) {
    std::fputs("usage: bench_round_trip --peer ADDR [--port N] [--count N] [--warmup N]\n", stderr);
    return 2;
  }
  echo.RoundTrips(warmup);
  // The two kinds alternate in ten slices, so that both see the same
  // conditions on the machine (which core each side runs on, other work).
  std::vector<double> samples, tableShaped;
  for (int slice = 0; slice < 10; ++slice) {
    const std::vector<double> plain = echo.RoundTrips((count + 9) / 10);
    const std::vector<double> shaped = echo.TableEntryRoundTrips((count + 9) / 10);
    if (plain.empty() || shaped.empty()) {
      samples.clear();
      break;
    }
    samples.insert(samples.end(), plain.begin(), plain.end());
    tableShaped.insert(tableShaped.end(), shaped.begin(), shaped.end());
  }
  if (samples.empty() || tableShaped.empty()) {
    std::fprintf(stderr, "bench_round_trip: no echo from %s:%u\n", peer, unsigned{port});
    return 1;
  }
  std::printf("%d exchanges each with %s:%u, after %d for warming up\n", count, peer,
              unsigned{port}, warmup);
  Print("508 bytes there and back", samples);
  Print("table-entry shape (7 out; 6 + 139 back; 6 out)", tableShaped);
  const double mean = bench::Mean(samples), median = bench::Median(samples);
  const double tableMedian = bench::Median(tableShaped);
  bench::Figure("round trip (508-byte UDP echo)",
                bench::Format("%.1f us mean", mean) + bench::Format(", %.1f us median", median));
  bench::Figure("table-entry exchange, minimal programs",
                bench::Format("%.2f x round trip", tableMedian / median) +
                    bench::Format(" (%.1f us median)", tableMedian));
  return 0;
}
