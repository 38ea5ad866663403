// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "config/write_plan.h"
#include "support/sample_configuration.h"

namespace tarcfg {
namespace {

using testing::SampleLineTarget;

RouteEntry Route(const char* match) {
  return testing::SampleRoute("255.255.255.0", match, "198.51.100.200");
}

// One plan with every kind of entry, and how each stage of a write that
// broke off is reported.
TEST(WritePlanTest, EntriesSayWhatTheyDoAndABrokenWriteSaysHowFarItGot) {
  Configuration saved;
  for (const char* host : {"198.51.100.200", "198.51.100.201", "198.51.100.202"})
    saved.lineTargets.Append(SampleLineTarget(host, "0301"));
  saved.routes.Append(Route("10.1.0.0"));
  NumberTablePositions(saved.lineTargets);  // as read from the router
  Configuration working = saved.Clone();
  working.lineTargets.NodeAt(2)->phoneNumber = "0309";
  working.lineTargets.NodeAt(2)->timeout = 60;
  working.lineTargets.RemoveAt(3);
  working.routes.Append(Route("10.2.0.0"));

  const WritePlan plan = PlanConfigurationWrite(working, saved);
  ASSERT_EQ(plan.lineTargets.size(), 2u);
  EXPECT_EQ(plan.lineTargets[0].action, PlannedAction::kChanged);
  EXPECT_EQ(plan.lineTargets[0].changedFields,
            (std::vector<std::string>{"phone number", "timeout"}));
  EXPECT_EQ(plan.lineTargets[0].before.phoneNumber.str(), "0301");
  EXPECT_EQ(plan.lineTargets[1].action, PlannedAction::kDeleted);
  EXPECT_EQ(plan.lineTargets[1].change.position, 2);
  ASSERT_EQ(plan.routes.size(), 1u);
  EXPECT_EQ(plan.routes[0].action, PlannedAction::kAdded);
  EXPECT_EQ(plan.TableAt(2), PlannedTable::kRoutes);

  FakeNetDatabase database;
  ProtocolTables tables;
  const PlanTexts texts{tables, database};
  EXPECT_EQ(FieldChanges(plan.lineTargets[0].before, plan.lineTargets[0].change.record, texts),
            (std::vector<FieldChange>{{"phone number", "0301", "0309"}, {"timeout", "20", "60"}}));
  const std::vector<std::string> lines = DescribeWritePlan(plan, texts);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "line target 2 written: 198.51.100.201 0309 x75");
  EXPECT_EQ(lines[1], "line target 3 deleted: 198.51.100.202 0301 x75");
  EXPECT_EQ(lines[2], "route 2 written: 255.255.255.0 10.2.0.0 198.51.100.200");

  using Next = WriteProgress::Next;
  const struct {
    WriteProgress progress;
    std::vector<std::string> report;
  } cases[] = {
      {{3, 3, Next::kNotSent}, {}},
      {{3, 0, Next::kNotSent}, {"not sent:", "  " + lines[0], "  " + lines[1], "  " + lines[2]}},
      {{3, 1, Next::kUnanswered},
       {"confirmed by the router:", "  " + lines[0],
        "sent, not answered (the router may or may not hold it):", "  " + lines[1],
        "not sent:", "  " + lines[2]}},
      {{3, 2, Next::kRefused},
       {"confirmed by the router:", "  " + lines[0], "  " + lines[1],
        "refused by the router:", "  " + lines[2]}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DescribeWriteFailure(plan, c.progress, texts), c.report) << c.progress.confirmed;
}

}  // namespace
}  // namespace tarcfg
