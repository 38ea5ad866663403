// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/firmware_plan.h"

#include "config/firmware_files.h"
#include "config/operating_modes.h"
#include "config/protocol_definitions.h"
#include "config/reports.h"
#include "config/router_changes.h"

namespace tarcfg {
namespace {

const Configuration& NoTables() {
  static const Configuration empty;
  return empty;
}

}  // namespace

FirmwareDownloadPlan PlanFirmwareDownload(const RouterParameters& current,
                                          const RouterParameters& pending, bool inLoader,
                                          const Configuration* configuration,
                                          const ProtocolTables& definitions) {
  FirmwareDownloadPlan plan;
  if (inLoader)
    return plan;  // the image alone, and nothing the history could keep
  if (configuration && DownloadCarriesTables(pending.permanentConnection)) {
    plan.tables = FirmwareTables::kRoutersOwn;
    plan.configuration = configuration;
    // Line targets whose protocols the definitions lack cannot go into the
    // image.
    plan.leftOut = DescribeLineTargets(
        configuration->lineTargets,
        LineTargetsWithUndefinedProtocols(configuration->lineTargets, definitions));
  } else {
    plan.tables = FirmwareTables::kEmpty;
    plan.configuration = &NoTables();
  }

  const std::string version = pending.firmwareVersion.str();
  plan.historyLines.push_back(
      std::string("firmware ") + FirmwarePrefix(pending.dChannelProtocol) + version + ": " +
      FirmwareText(version, pending.dChannelProtocol, pending.permanentConnection));
  for (auto& line : DescribeRouterParameterChanges(current, pending))
    plan.historyLines.push_back(std::move(line));
  plan.historyLines.push_back(plan.tables == FirmwareTables::kEmpty
                                  ? "line targets, routes and filters: none"
                                  : "line targets, routes and filters: the router's own");
  for (const std::string& line : plan.leftOut)
    plan.historyLines.push_back(line + ": left out, its protocols are undefined");
  return plan;
}

}  // namespace tarcfg
