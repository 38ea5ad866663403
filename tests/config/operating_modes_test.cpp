// SPDX-License-Identifier: GPL-3.0-or-later
// The operating-mode table the dialogs, the .cfg writer, the reports and
// tarcfg-cli share, and the router field checks next to it.
#include <gtest/gtest.h>

#include "config/field_checks.h"
#include "config/firmware_files.h"
#include "config/operating_modes.h"

namespace tarcfg {
namespace {

TEST(OperatingModesTest, NamesAreFoundInAnyCase) {
  const OperatingModeEntry* mode = FindOperatingMode("fvs01");
  ASSERT_NE(mode, nullptr);
  EXPECT_STREQ(mode->name, "FVS01");
  EXPECT_EQ(mode->permanentConnection, 2);
  EXPECT_EQ(mode->dChannelProtocol, kKeepDChannelProtocol);
  ASSERT_NE(FindOperatingMode("dss1"), nullptr);
  EXPECT_EQ(FindOperatingMode("dss1")->dChannelProtocol, 1);
  EXPECT_EQ(FindOperatingMode("FV64"), nullptr);
  EXPECT_EQ(FindOperatingMode(""), nullptr);
}

TEST(OperatingModesTest, NamesOfProtocolsConnectionsAndLabels) {
  EXPECT_STREQ(DChannelProtocolName(0), "1TR6");
  EXPECT_STREQ(DChannelProtocolName(1), "DSS1");
  EXPECT_STREQ(DChannelProtocolName(7), "DSS1");
  EXPECT_STREQ(PermanentConnectionName(0), "");
  EXPECT_STREQ(PermanentConnectionName(1), "Digital FV64S");
  EXPECT_STREQ(PermanentConnectionName(3), "Digital FVS02");
  EXPECT_STREQ(PermanentConnectionName(4), "");
  EXPECT_STREQ(OperatingModeLabel(0), "switched");
  EXPECT_STREQ(OperatingModeLabel(2), "FVS01");
  EXPECT_STREQ(OperatingModeLabel(9), "unknown");
}

// The per-mode rules by permanent-connection value, the firmware file of a
// D-channel protocol and the mode names as tarcfg-cli lists them.
TEST(OperatingModesTest, RulesFirmwarePrefixesAndNameLists) {
  struct Case {
    int permanentConnection;
    PhoneNumberRule phone;
    int lineTargets;
    bool tables;
  };
  for (const Case& c : {Case{0, PhoneNumberRule::kAnyNumber, kMaxLineTargets, true},
                        Case{1, PhoneNumberRule::kZeroOrOne, kMaxLineTargetsPermanent, false},
                        Case{2, PhoneNumberRule::kNotUsed, kMaxLineTargetsPermanent, false},
                        Case{3, PhoneNumberRule::kNotUsed, kMaxLineTargetsPermanent, false},
                        Case{9, PhoneNumberRule::kNotUsed, kMaxLineTargetsPermanent, false}}) {
    SCOPED_TRACE(c.permanentConnection);
    EXPECT_EQ(PhoneNumberRuleOf(c.permanentConnection), c.phone);
    EXPECT_EQ(LineTargetLimit(c.permanentConnection), c.lineTargets);
    EXPECT_EQ(DownloadCarriesTables(c.permanentConnection), c.tables);
  }
  EXPECT_STREQ(FirmwarePrefix(0), "fw_1tr6.");
  EXPECT_STREQ(FirmwarePrefix(1), "fw_dss1.");
  EXPECT_STREQ(FirmwarePrefix(255), "fw_dss1.");
  EXPECT_STREQ(RouterOperatingMode(0, 0)->name, "1TR6");
  EXPECT_STREQ(RouterOperatingMode(1, 3)->name, "FVS02");
  EXPECT_EQ(RouterOperatingMode(1, 4), nullptr);
  EXPECT_EQ(OperatingModeNames("|", "|"), "1TR6|DSS1|FV64S|FVS01|FVS02");
  EXPECT_EQ(OperatingModeNames(", ", " or "), "1TR6, DSS1, FV64S, FVS01 or FVS02");
}

TEST(RouterFieldChecksTest, OwnNetworkAndDiallableNumber) {
  EXPECT_TRUE(InOwnNetwork(0xFFFFFF00u, 0xC6336410u, 0xC6336401u));
  EXPECT_FALSE(InOwnNetwork(0xFFFFFF00u, 0xC6336510u, 0xC6336401u));
  EXPECT_TRUE(IsDiallableRouterNumber("0891234"));
  EXPECT_FALSE(IsDiallableRouterNumber("089s"));
}

}  // namespace
}  // namespace tarcfg
