// SPDX-License-Identifier: GPL-3.0-or-later
// bench_firmware_download: downloads a firmware image to routers in their
// loader and compares the block transfer with one round trip per block.
//
//   bench_firmware_download --image DIR/fw_dss1.VERSION --peer ADDR [--port 7007]
//                           --target HW=ADDR [--target HW=ADDR ...]
//                           [--label TEXT] [--goal 1.25]
//
// Each target is one download through DownloadFirmware, as tarcfg-cli
// firmware does it for a router in its loader: the loader gets ADDR, takes
// the image block by block (500 bytes each, every block acknowledged before
// the next leaves) and restarts. The block phase is timed from the first
// block to the acknowledgement of the last, and compared with as many round
// trips with the echo peer, measured just before it; afterwards the
// emulator's state ($TARNEX_SIM_STATE) must show the whole image received
// and applied. Two ratios per download: typical, the median time from one
// block to the next over the median baseline round trip; total, the block
// phase over blocks x the mean baseline round trip. On a machine shared with
// other work the total takes every stall of the CPU, the typical one shows
// the exchange itself; the goal is judged on the median of the typical ones.
// Also shown: the heap allocations of the block phase per block. --label
// names the router side in the result row (e.g. the minimal responder,
// bench_responder, in place of the emulator); --goal is the ratio to meet.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "allocation_count.h"
#include "bench_common.h"
#include "config/reports.h"
#include "echo_peer.h"
#include "protocol_driver.h"

namespace {

// The emulator's report on the router with this hardware address: the size
// of the last image it took, and whether that image was applied.
bool ImageApplied(const std::string& hardware, std::size_t size) {
  const char* path = std::getenv("TARNEX_SIM_STATE");
  if (!path)
    return false;
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  const std::string state = text.str();
  const std::size_t start = state.find("\"hardware\":\"" + hardware + "\"");
  if (start == std::string::npos)
    return false;
  const std::string router = state.substr(start, state.find("\"hardware\":", start + 1) - start);
  return router.find("\"applied\":true") != std::string::npos &&
         router.find("\"imageSize\":" + std::to_string(size) + ",") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path image = bench::Option(argc, argv, "--image", "");
  const char* peer = bench::Option(argc, argv, "--peer", nullptr);
  const auto port = static_cast<std::uint16_t>(bench::NumberOption(argc, argv, "--port", 7007));
  const std::vector<std::string> targets = bench::Options(argc, argv, "--target");
  const std::string label = bench::Option(argc, argv, "--label", "");
  const double goal = bench::NumberOption(argc, argv, "--goal", 1.25);
  const std::string name = image.filename().string();
  bench::EchoPeer echo;
  if (name.rfind("fw_dss1.", 0) != 0 || targets.empty() || !echo.Open(peer, port)) {
    std::fputs(
        "usage: bench_firmware_download --image DIR/fw_dss1.VERSION --peer ADDR [--port N] "
        "--target HW=ADDR...\n",
        stderr);
    return 2;
  }
  std::error_code error;
  const auto imageBytes = static_cast<std::size_t>(std::filesystem::file_size(image, error));
  if (error) {
    std::fprintf(stderr, "cannot read %s\n", image.c_str());
    return 1;
  }
  const auto blocks = static_cast<int>((imageBytes + tarcfg::kBlockSize - 1) / tarcfg::kBlockSize);

  bench::ProtocolDriver driver;
  driver.settings().firmwarePath = image.parent_path().string();
  if (!driver.Open())
    return 1;
  tarcfg::RouterProtocol& protocol = driver.protocol();

  std::vector<double> blockPhases, baselines, ratios, totalRatios, allocationsPerBlock, cpuPerBlock,
      baselineCpu;
  for (const std::string& target : targets) {
    const std::vector<double> baseline = echo.RoundTrips(blocks);
    baselineCpu.push_back(echo.cpuPerExchange());
    if (baseline.empty()) {
      std::fprintf(stderr, "no echo from %s:%u\n", peer, unsigned{port});
      return 1;
    }
    const std::size_t equals = target.find('=');
    tarcfg::HardwareAddress hardware{};
    if (equals == std::string::npos ||
        !tarcfg::ParseHardwareAddress(target.substr(0, equals), &hardware)) {
      std::fprintf(stderr, "bad --target %s (HW=ADDR)\n", target.c_str());
      return 2;
    }
    tarcfg::RouterParameters parameters;
    parameters.name = target.substr(equals + 1);
    parameters.netmask = "255.255.255.0";
    parameters.phoneNumber = "0301555";
    parameters.dChannelProtocol = 1;
    parameters.firmwareVersion = name.substr(8);

    // What the first progress report notes. The callback holds only a
    // reference to it: a larger capture would not fit in the callback's
    // own storage, and the protocol's copy of it at each new percentage
    // would count as allocations of the download.
    struct {
      std::int64_t time = 0, cpu = 0;
      long allocations = 0;
    } first;
    std::int64_t lastAcknowledged = 0, cpuAtLast = 0;
    long allocationsAtLast = 0;
    bool done = false;
    std::uint32_t announced = 0;
    driver.socket().Watch(tarcfg::command::kDownloadBlock);
    const std::int64_t start = bench::NowNs();
    const bool started = protocol.DownloadFirmware(
        hardware, parameters, nullptr, nullptr, nullptr,
        [&](const tarcfg::ScanAnswer& answer) {
          announced = answer.routerAddress;
          done = true;
        },
        [&first](int) {
          if (first.time == 0) {
            first.time = bench::NowNs();
            first.allocations = bench::Allocations();
            first.cpu = bench::ThreadCpuNs();
          }
        });
    if (!started) {
      std::fprintf(stderr, "%s cannot be downloaded\n", image.c_str());
      return 1;
    }
    // The last block's acknowledgement sends the restart: the state turns
    // to Restarting right in that OnDatagramReady.
    const bool finished = driver.RunUntil(
        [&] {
          if (lastAcknowledged == 0 && protocol.state() == tarcfg::ProtocolState::Restarting) {
            lastAcknowledged = bench::NowNs();
            allocationsAtLast = bench::Allocations();
            cpuAtLast = bench::ThreadCpuNs();
          }
          return done;
        },
        120);
    const std::int64_t end = bench::NowNs();
    const std::string address = target.substr(equals + 1);
    if (!finished || announced != driver.addresses().ResolveAddress(address) ||
        lastAcknowledged == 0) {
      std::fprintf(stderr, "download to %s did not complete\n", target.c_str());
      return 1;
    }
    const double blockPhase = static_cast<double>(lastAcknowledged - first.time) / 1e9;
    const double total = static_cast<double>(end - start) / 1e9;
    const double typical = bench::Median(driver.socket().Intervals());
    const double baselineTypical = bench::Median(baseline), baselineMean = bench::Mean(baseline);
    blockPhases.push_back(blockPhase);
    baselines.push_back(baselineTypical);
    ratios.push_back(typical / baselineTypical);
    totalRatios.push_back(blockPhase * 1e6 / blocks / baselineMean);
    allocationsPerBlock.push_back(static_cast<double>(allocationsAtLast - first.allocations) /
                                  blocks);
    cpuPerBlock.push_back(static_cast<double>(cpuAtLast - first.cpu) / 1e3 / blocks);
    std::printf(
        "download to %s: %zu bytes, %d blocks in %.1f ms, typical %.1f us; baseline typical "
        "%.1f us, mean %.1f us; ratio typical %.2f, total %.2f; with loader offer and restart "
        "%.0f ms; %.2f allocations, %.1f us of the tool's CPU per block\n",
        target.c_str(), imageBytes, blocks, blockPhase * 1e3, typical, baselineTypical,
        baselineMean, ratios.back(), totalRatios.back(), total * 1e3, allocationsPerBlock.back(),
        cpuPerBlock.back());
    driver.RunFor(0.1);  // the emulator writes its state
    if (!ImageApplied(tarcfg::FormatHardwareAddress(hardware), imageBytes)) {
      std::fprintf(stderr, "%s: the router did not take the whole image (see %s)\n", target.c_str(),
                   std::getenv("TARNEX_SIM_STATE"));
      return 1;
    }
  }

  const double ratio = bench::Median(ratios), totalRatio = bench::Median(totalRatios);
  std::printf(
      "firmware download: median %.1f ms for %d blocks; baseline typical %.1f us; the tool's CPU "
      "%.1f us per block, the minimal program's %.1f us per round trip\n",
      bench::Median(blockPhases) * 1e3, blocks, bench::Median(baselines),
      bench::Median(cpuPerBlock), bench::Median(baselineCpu));
  bench::Result(
      "firmware download 1 MiB" + (label.empty() ? "" : ", " + label),
      bench::Format("%.2f x baseline", ratio) + bench::Format(" (total %.2f;", totalRatio) +
          bench::Format(" %.2f allocations per block)", bench::Median(allocationsPerBlock)),
      bench::Format("<= %.2f", goal), ratio <= goal);
  return 0;
}
