// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/router_metrics.h"

#include <cmath>
#include <utility>

#include "config/address.h"
#include "config/reports.h"

namespace tarcfg::serve {
namespace {

using metrics::Label;
using metrics::MetricFamily;
using metrics::MetricType;

const char* const kDirections[] = {"outgoing", "incoming"};

std::vector<Label> RouterLabels(const HardwareAddress& hardware, const RouterRecord& router) {
  return {{"hardware_address", FormatHardwareAddress(hardware)},
          {"address", router.address ? DottedQuad(router.address) : std::string()}};
}

}  // namespace

std::vector<MetricFamily> RouterMetrics(const std::map<HardwareAddress, RouterRecord>& routers,
                                        const MetricsScope& scope) {
  MetricFamily up{"tarnex_router_up",
                  "1 when the router answered the last scan, 0 when it answered an earlier one "
                  "but not the last.",
                  MetricType::Gauge,
                  {}};
  MetricFamily held{"tarnex_router_held",
                    "1 when another host holds the router's registration.",
                    MetricType::Gauge,
                    {}};
  MetricFamily info{"tarnex_router_info",
                    "Firmware version, D-channel protocol and operating mode from the overview "
                    "query; always 1.",
                    MetricType::Gauge,
                    {}};
  MetricFamily state{"tarnex_channel_state",
                     "State code of the B-channel: 0 not connected, 1 and 2 establishing, 3 "
                     "connected, 4 and 5 closing.",
                     MetricType::Gauge,
                     {}};
  MetricFamily connected{
      "tarnex_channel_connected", "1 while the B-channel is connected.", MetricType::Gauge, {}};
  MetricFamily duration{"tarnex_scan_duration_seconds",
                        "Seconds the last scan and overview query took.",
                        MetricType::Gauge,
                        {}};
  MetricFamily timestamp{"tarnex_last_scan_timestamp_seconds",
                         "Unix time at which the last scan ended.",
                         MetricType::Gauge,
                         {}};
  MetricFamily count{
      "tarnex_routers", "Routers that answered the last scan.", MetricType::Gauge, {}};
  MetricFamily success{
      "tarnex_accounting_success",
      "1 when the last accounting read of the router succeeded; 0 when it failed or "
      "the router did not answer, and its counters are then left out.",
      MetricType::Gauge,
      {}};
  MetricFamily charges{"tarnex_line_target_charges_total",
                       "Charge units of the line target, as the router counts them.",
                       MetricType::Counter,
                       {}};
  MetricFamily calls{
      "tarnex_line_target_calls_total", "Calls of the line target.", MetricType::Counter, {}};
  MetricFamily packets{
      "tarnex_line_target_packets_total", "Packets of the line target.", MetricType::Counter, {}};
  MetricFamily bytes{
      "tarnex_line_target_bytes_total", "Bytes of the line target.", MetricType::Counter, {}};
  MetricFamily configRead{"tarnex_config_read_success",
                          "1 when the last configuration read of the router succeeded; 0 when it "
                          "failed or the router did not answer.",
                          MetricType::Gauge,
                          {}};
  MetricFamily configChange{"tarnex_config_last_change_timestamp_seconds",
                            "Unix time at which a configuration changed outside this tool was "
                            "last kept in the history.",
                            MetricType::Gauge,
                            {}};
  MetricFamily configVersions{"tarnex_config_versions",
                              "Configurations of the router the history keeps.",
                              MetricType::Gauge,
                              {}};

  for (const auto& [hardware, router] : routers) {
    const std::vector<Label> labels = RouterLabels(hardware, router);
    up.Add(labels, router.up ? 1 : 0);
    held.Add(labels,
             router.registeredHost != 0 && router.registeredHost != scope.ownAddress ? 1 : 0);
    if (router.up && router.overview && router.address != 0) {
      const OverviewAnswer& o = *router.overview;
      const bool known = !o.firmwareVersion.empty();
      std::vector<Label> infoLabels = labels;
      infoLabels.push_back({"firmware", o.firmwareVersion});
      infoLabels.push_back(
          {"d_channel_protocol", known ? DChannelProtocolName(o.dChannelProtocol) : std::string()});
      infoLabels.push_back(
          {"operating_mode", known ? OperatingModeLabel(o.permanentConnection) : std::string()});
      info.Add(std::move(infoLabels), 1);
      for (std::size_t c = 0; c < o.channels.size(); ++c) {
        std::vector<Label> channel = labels;
        channel.push_back({"channel", std::to_string(c + 1)});
        const int code = NormalizeChannelState(o.channels[c].state);
        state.Add(channel, code);
        connected.Add(std::move(channel), code == 3 ? 1 : 0);
      }
    }
    if (scope.accounting && router.address != 0 && router.accounting.attempted)
      success.Add(labels, router.accounting.ok ? 1 : 0);
    if (scope.archive && router.address != 0 && router.archive.attempted)
      configRead.Add(labels, router.archive.ok ? 1 : 0);
    if (scope.archive && router.lastChange)
      configChange.Add(labels, *router.lastChange);
    if (scope.archive && router.versions)
      configVersions.Add(labels, *router.versions);
    for (const LineTargetAccounting& line : router.lineTargets) {
      std::vector<Label> target = labels;
      target.push_back({"position", std::to_string(line.position)});
      target.push_back({"host_name", line.hostName});
      target.push_back({"phone_number", line.phoneNumber});
      charges.Add(target, line.counters[0]);
      for (int d = 0; d < 2; ++d) {
        std::vector<Label> directed = target;
        directed.push_back({"direction", kDirections[d]});
        calls.Add(directed, line.counters[1 + d]);
        packets.Add(directed, line.counters[3 + d]);
        bytes.Add(std::move(directed), line.counters[5 + d]);
      }
    }
  }
  // Milliseconds are plenty for a scan that takes seconds.
  auto milliseconds = [](double seconds) { return std::round(seconds * 1000) / 1000; };
  if (scope.scanDuration)
    duration.Add({}, milliseconds(*scope.scanDuration));
  if (scope.lastScanTime)
    timestamp.Add({}, milliseconds(*scope.lastScanTime));
  if (scope.lastScanTime)
    count.Add({}, scope.routersUp);

  // The program's version as a label, the usual way to chart upgrades.
  MetricFamily build{"tarnex_build_info", "Version of tarcfg-cli serve, as a label; always 1."};
  build.Add({{"version", TARCFG_VERSION}}, 1);

  std::vector<MetricFamily> families;
  families.push_back(std::move(build));
  families.push_back(std::move(up));
  families.push_back(std::move(held));
  families.push_back(std::move(info));
  families.push_back(std::move(state));
  families.push_back(std::move(connected));
  families.push_back(std::move(duration));
  families.push_back(std::move(timestamp));
  families.push_back(std::move(count));
  if (scope.accounting) {
    families.push_back(std::move(success));
    families.push_back(std::move(charges));
    families.push_back(std::move(calls));
    families.push_back(std::move(packets));
    families.push_back(std::move(bytes));
  }
  if (scope.archive) {
    families.push_back(std::move(configRead));
    families.push_back(std::move(configChange));
    families.push_back(std::move(configVersions));
  }
  return families;
}

}  // namespace tarcfg::serve
