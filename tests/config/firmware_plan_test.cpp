// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/firmware_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarcfg {
namespace {

using Lines = std::vector<std::string>;

LineTarget Target(const char* host, const char* phone, int layer2) {
  LineTarget target;
  target.hostName = host;
  target.phoneNumber = phone;
  target.layer2Protocol = layer2;
  target.layer3Protocol = 0;
  return target;
}

// Which tables go with the image, what is left out and what the history
// notes, for a router in its loader, a switched line with and without its
// tables read, and a permanent connection.
TEST(FirmwarePlanTest, TablesLeftOutAndHistoryLinesByMode) {
  Configuration read;
  read.lineTargets.Append(Target("198.51.100.8", "0301111", 0));
  read.lineTargets.Append(Target("198.51.100.9", "0309999", kNoProtocol));
  const ProtocolTables definitions;
  RouterParameters current;
  current.name = "198.51.100.40";
  current.dChannelProtocol = 1;
  current.firmwareVersion = "2.08";

  struct Case {
    const char* what;
    bool inLoader;
    const Configuration* configuration;
    int permanentConnection;
    FirmwareTables tables;
    Lines leftOut;
    Lines history;
  };
  const std::string dropped = "Line target 2: 198.51.100.9 0309999";
  const Case cases[] = {
      {"loader", true, &read, 0, FirmwareTables::kNone, {}, {}},
      {"switched",
       false,
       &read,
       0,
       FirmwareTables::kRoutersOwn,
       {dropped},
       {"firmware fw_dss1.2.10: 2.10 / DSS1", "phone number: - -> 0301999",
        "line targets, routes and filters: the router's own",
        dropped + ": left out, its protocols are undefined"}},
      {"not read",
       false,
       nullptr,
       0,
       FirmwareTables::kEmpty,
       {},
       {"firmware fw_dss1.2.10: 2.10 / DSS1", "phone number: - -> 0301999",
        "line targets, routes and filters: none"}},
      {"FVS01",
       false,
       &read,
       2,
       FirmwareTables::kEmpty,
       {},
       {"firmware fw_dss1.2.10: 2.10 / DSS1 / Digital FVS01", "phone number: - -> 0301999",
        "line targets, routes and filters: none"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RouterParameters pending = current;
    pending.firmwareVersion = "2.10";
    pending.phoneNumber = "0301999";
    pending.permanentConnection = static_cast<std::uint8_t>(c.permanentConnection);
    const FirmwareDownloadPlan plan =
        PlanFirmwareDownload(current, pending, c.inLoader, c.configuration, definitions);
    EXPECT_EQ(plan.tables, c.tables);
    EXPECT_EQ(plan.leftOut, c.leftOut);
    EXPECT_EQ(plan.historyLines, c.history);
    if (c.tables == FirmwareTables::kNone) {
      EXPECT_EQ(plan.configuration, nullptr);
    } else if (c.tables == FirmwareTables::kRoutersOwn) {
      EXPECT_EQ(plan.configuration, &read);
    } else {
      ASSERT_NE(plan.configuration, nullptr);
      EXPECT_EQ(plan.configuration->lineTargets.count(), 0);
    }
  }
}

}  // namespace
}  // namespace tarcfg
