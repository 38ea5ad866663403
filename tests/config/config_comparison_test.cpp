// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <functional>

#include "config/address.h"
#include "config/config_comparison.h"
#include "config/config_file.h"
#include "support/sample_configuration.h"

namespace tarcfg {
namespace {

using testing::SampleLineTarget;

RouteEntry Route(const char* match) {
  return testing::SampleRoute("255.255.255.0", match, "198.51.100.200");
}

Configuration Base() {
  Configuration configuration;
  for (const char* host : {"198.51.100.200", "198.51.100.201", "198.51.100.202"})
    configuration.lineTargets.Append(SampleLineTarget(host, "0301"));
  configuration.routes.Append(Route("10.1.0.0"));
  EnsureDefaultFilter(configuration.filters);
  return configuration;
}

RouterParameters Router(const char* name, const char* firmware) {
  RouterParameters router;
  router.name = name;
  router.netmask = "255.255.255.0";
  router.phoneNumber = "0305";
  router.firmwareVersion = firmware;
  router.dChannelProtocol = 1;
  return router;
}

// Each rule of the comparison: what is listed, how it is summed up and how
// each difference reads as a comment line.
TEST(ConfigComparisonTest, ListsAddedRemovedAndChangedEntriesByPosition) {
  const struct {
    const char* rule;
    std::function<void(Configuration&)> edit;
    std::string summary;
    std::vector<std::string> lines;
  } cases[] = {
      {"same lists", [](Configuration&) {}, "no differences", {}},
      {"fields of one entry",
       [](Configuration& c) {
         c.lineTargets.NodeAt(2)->phoneNumber = "0309";
         c.lineTargets.NodeAt(2)->timeout = 60;
         c.lineTargets.NodeAt(2)->remoteIdentification = "far";
       },
       "1 line target changed",
       {"line target 2 changed: phone number 0301 -> 0309, remote identification \"\" -> far, "
        "timeout 20 -> 60"}},
      {"entries added and removed",
       [](Configuration& c) {
         c.routes.Append(Route("10.2.0.0"));
         c.lineTargets.RemoveAt(3);
       },
       "1 line target removed, 1 route added",
       {"line target 3 removed: 198.51.100.202 0301 x75",
        "route 2 added: 255.255.255.0 10.2.0.0 198.51.100.200"}},
      {"an insertion shifts the entries after it",
       [](Configuration& c) { c.routes.InsertAt(Route("10.0.0.0"), 1); },
       "1 route changed, 1 route added",
       {"route 1 changed: destination 10.1.0.0 -> 10.0.0.0",
        "route 2 added: 255.255.255.0 10.1.0.0 198.51.100.200"}},
      {"filter action",
       [](Configuration& c) { c.filters.NodeAt(1)->action = 0; },
       "1 filter changed",
       {"filter 1 changed: action accept -> reject"}},
  };
  FakeNetDatabase database;
  ProtocolTables tables;
  const PlanTexts texts{tables, database};
  for (const auto& c : cases) {
    const Configuration older = Base();
    Configuration newer = Base();
    c.edit(newer);
    const ConfigurationComparison comparison = CompareConfigurations(older, newer, texts);
    EXPECT_EQ(comparison.same(), c.lines.empty()) << c.rule;
    EXPECT_EQ(SummarizeComparison(comparison), c.summary) << c.rule;
    EXPECT_EQ(DescribeComparison(comparison), c.lines) << c.rule;
  }
}

TEST(ConfigComparisonTest, ChangedEntriesKeepBothSidesAndTheirTexts) {
  FakeNetDatabase database;
  ProtocolTables tables;
  const PlanTexts texts{tables, database};
  Configuration older = Base();
  Configuration newer = Base();
  newer.lineTargets.NodeAt(1)->hostName = "198.51.100.210";
  const auto comparison = CompareConfigurations(older, newer, texts);
  ASSERT_EQ(comparison.lineTargets.size(), 1u);
  const auto& difference = comparison.lineTargets[0];
  EXPECT_EQ(difference.kind, DifferenceKind::kChanged);
  EXPECT_EQ(difference.position, 1);
  EXPECT_EQ(difference.beforeText, "198.51.100.200 0301 x75");
  EXPECT_EQ(difference.afterText, "198.51.100.210 0301 x75");
  EXPECT_EQ(difference.fields,
            (std::vector<FieldChange>{{"host name", "198.51.100.200", "198.51.100.210"}}));
}

// Router parameters count only when both sides have them, and the firmware
// and its modes only when both sides know the firmware.
TEST(ConfigComparisonTest, RouterParametersAreComparedWhereBothSidesKnowThem) {
  const RouterParameters a = Router("tarnex1", "2.10");
  RouterParameters b = Router("tarnex2", "2.20");
  b.permanentConnection = 2;
  const RouterParameters unknownFirmware = Router("tarnex1", "");
  const struct {
    const RouterParameters* older;
    const RouterParameters* newer;
    std::vector<FieldChange> changes;
  } cases[] = {
      {&a, &a, {}},
      {&a, nullptr, {}},
      {&a,
       &b,
       {{"name", "tarnex1", "tarnex2"},
        {"firmware", "2.10", "2.20"},
        {"permanent connection", "none", "Digital FVS01"}}},
      {&unknownFirmware, &b, {{"name", "tarnex1", "tarnex2"}}},
  };
  FakeNetDatabase database;
  ProtocolTables tables;
  const PlanTexts texts{tables, database};
  for (const auto& c : cases) {
    const auto comparison = CompareConfigurations(Base(), Base(), texts, c.older, c.newer);
    EXPECT_EQ(comparison.router, c.changes);
    EXPECT_EQ(comparison.same(), c.changes.empty());
  }
  const auto comparison = CompareConfigurations(Base(), Base(), texts, &a, &b);
  EXPECT_EQ(SummarizeComparison(comparison), "router parameters changed");
  EXPECT_EQ(DescribeComparison(comparison).at(0),
            "router parameters changed: name tarnex1 -> tarnex2, firmware 2.10 -> 2.20, "
            "permanent connection none -> Digital FVS01");
}

// The header the writer puts above the lists reads back as the router's
// parameters; a file written without a router states none.
TEST(ConfigComparisonTest, RouterSectionOfAFileReadsTheWritersHeader) {
  FakeNetDatabase database;
  ProtocolTables tables;
  AddressService addresses{database};
  const ConfigContext context{tables, addresses, database};
  const Configuration configuration = Base();
  RouterParameters router = Router("tarnex1", "2.10");
  router.dChannelProtocol = 0;
  router.permanentConnection = 3;
  const auto text = [&](const RouterParameters& parameters) {
    return FormatConfigFile(configuration.lineTargets, configuration.routes, configuration.filters,
                            parameters, context);
  };
  const auto read = RouterSectionOf(text(router));
  ASSERT_TRUE(read.has_value());
  EXPECT_TRUE(RouterParameterChanges(router, *read).empty());
  EXPECT_EQ(read->permanentConnection, 3);
  EXPECT_FALSE(RouterSectionOf(text(RouterParameters{})).has_value());
  EXPECT_FALSE(RouterSectionOf("Line_Targets:\n").has_value());
}

}  // namespace
}  // namespace tarcfg
