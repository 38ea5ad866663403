// SPDX-License-Identifier: GPL-3.0-or-later
// Router Overview against emulated and scripted routers: the scanning
// text, one block per answering router, silent routers, firmware texts,
// duplicate answers, and closing before the end.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>

#include "monitor/monitor_test_support.h"
#include "monitor/router_overview_dialog.h"

namespace tarcfg::testing {
namespace {

const HardwareAddress kSilentHardware{0x00, 0x60, 0x1d, 0x01, 0x02, 0x03};
const char* const kSilent = "198.51.100.30";
const char* const kScripted = "198.51.100.40";
const HardwareAddress kScriptedHardware{0x00, 0x60, 0x1a, 0x10, 0x00, 0x40};

// A 0x3032 answer; `full` adds protocol, line kind and firmware.
std::vector<std::uint8_t> OverviewAnswerBytes(std::uint8_t state1, const char* remote1,
                                              const char* name1, bool full,
                                              const char* firmware = "", int protocol = 0,
                                              int permanent = 0) {
  WireWriter writer;
  writer.U16(command::kOverviewAnswer).U16(0).U16(0);
  auto text = [&writer](const char* value, std::size_t width) {
    std::string field = value;
    field.resize(width, '\0');
    writer.Raw(std::vector<std::uint8_t>(field.begin(), field.end()));
  };
  writer.U8(state1).U32(Ip(remote1));
  text(name1, 20);
  writer.U8(0).U32(0);
  text("", 20);
  if (full) {
    writer.U8(static_cast<std::uint8_t>(protocol)).U8(static_cast<std::uint8_t>(permanent));
    text(firmware, 10);
  }
  return writer.Take();
}

class RouterOverviewTest : public MonitorTest {
 protected:
  // Two emulated routers, plus routers in the list that only the test
  // speaks for: one that never answers the overview and one scripted.
  void StartScan(std::vector<tarnex_sim::RouterConfig> routers) {
    UseRouters(std::move(routers));
    StartMonitorWindow();
    SendScanAnswer(Ip(kSilent), Ip(kSilent), kSilentHardware, 0);
    SendScanAnswer(Ip(kScripted), Ip(kScripted), kScriptedHardware, 0);
    FinishScan();
    ASSERT_EQ(context_->routers->count(), 2 + static_cast<int>(routers_->sim().routers().size()));
  }
  void Open() {
    network_.ClearLog();
    dialog_ = std::make_unique<RouterOverviewDialog>(*context_, handOver_, window_.get());
    dialog_->show();
  }
  void Answer(const char* from, std::vector<std::uint8_t> bytes) {
    network_.Send(Ip(from), kWorkstation, std::move(bytes));
    DeliverDatagrams();
  }
  QString ShownText() {
    return dialog_->findChild<QPlainTextEdit*>(QStringLiteral("overviewText"))->toPlainText();
  }
  bool CloseEnabled() { return Button(dialog_.get(), "closeButton")->isEnabled(); }

  std::unique_ptr<RouterOverviewDialog> dialog_;
};

tarnex_sim::RouterConfig ConnectedRouter() {
  auto router = OpenRouter("198.51.100.11", 2);
  router.firmwareVersion = "";  // no known firmware version
  return router;
}

TEST_F(RouterOverviewTest, ScanningTextUntilTheEndThenOneParagraphPerRouter) {
  StartScan({OpenRouter("198.51.100.10", 1), ConnectedRouter()});
  // The second emulated router has channel 1 connected.
  auto& channel = routers_->sim().routers()[1].channels[0];
  channel.state = 3;
  channel.remote = Ip("198.51.100.200");
  channel.name = "branch";
  Open();
  EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Router Overview"));
  EXPECT_EQ(ShownText(), QStringLiteral("Scanning network - Please wait..."));
  EXPECT_FALSE(CloseEnabled());
  EXPECT_EQ(SentByTool(command::kOverviewQuery).size(), 1u);
  Answer(kScripted, OverviewAnswerBytes(1, "198.51.100.201", "dialling", true, "2.20", 0, 2));
  // The query goes out again about two seconds later and ends after three.
  Tick(2);
  EXPECT_EQ(SentByTool(command::kOverviewQuery).size(), 2u);
  EXPECT_FALSE(CloseEnabled());
  Tick();
  EXPECT_TRUE(CloseEnabled());
  // List order: the emulated routers answered the scan first.
  EXPECT_EQ(dialog_->reportText(),
            "Host name:\t198.51.100.10\r\nFirmware:\t2.10 / DSS1\r\n"
            "Channel 1: Not connected\r\nChannel 2: Not connected\r\n\r\n"
            "Host name:\t198.51.100.11\r\nFirmware:\t? / ?\r\n"
            "Channel 1: Connected -> 198.51.100.200 (branch)\r\nChannel 2: Not connected\r\n\r\n"
            "Router 00-60-1d-01-02-03 does not respond.\r\n"
            "Host name:\t198.51.100.40\r\nFirmware:\t2.20 / 1TR6 / Digital FVS01\r\n"
            "Channel 1: Establishing connection -> 198.51.100.201 (dialling)\r\n"
            "Channel 2: Not connected\r\n\r\n");
  EXPECT_TRUE(ShownText().contains(QStringLiteral("Router 00-60-1d-01-02-03 does not respond.\n")));
  EXPECT_FALSE(ShownText().contains(QLatin1Char('\r')));
}

TEST_F(RouterOverviewTest, OnlyTheFirstAnswerOfARouterCounts) {
  StartScan({OpenRouter("198.51.100.10", 1)});
  Open();
  Answer(kScripted, OverviewAnswerBytes(3, "198.51.100.201", "first", true, "2.30", 1));
  Answer(kScripted, OverviewAnswerBytes(0, "0.0.0.0", "second", true, "9.99", 0));
  Tick(3);
  const std::string& report = dialog_->reportText();
  EXPECT_NE(report.find("Host name:\t198.51.100.40\r\nFirmware:\t2.30 / DSS1\r\n"
                        "Channel 1: Connected -> 198.51.100.201 (first)\r\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find("second"), std::string::npos);
  // The emulated router answered both queries; it has one paragraph.
  std::size_t blocks = 0;
  for (std::size_t at = report.find("198.51.100.10\r\n"); at != std::string::npos;
       at = report.find("198.51.100.10\r\n", at + 1))
    ++blocks;
  EXPECT_EQ(blocks, 1u);
}

TEST_F(RouterOverviewTest, ShortAnswerGivesUnknownFirmwareAndStrangersAreIgnored) {
  StartScan({OpenRouter("198.51.100.10", 1)});
  Open();
  Answer(kScripted, OverviewAnswerBytes(7, "198.51.100.201", "x", false));
  // An answer from a router the list does not hold.
  Answer("198.51.100.77", OverviewAnswerBytes(3, "198.51.100.201", "y", true, "1.0"));
  Tick(3);
  const std::string& report = dialog_->reportText();
  EXPECT_NE(report.find("Host name:\t198.51.100.40\r\nFirmware:\t? / ?\r\n"
                        "Channel 1: Not connected\r\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find("198.51.100.77"), std::string::npos);
}

TEST_F(RouterOverviewTest, ReopeningClearsTheFieldsOfTheLastOverview) {
  StartScan({OpenRouter("198.51.100.10", 1)});
  Open();
  Answer(kScripted, OverviewAnswerBytes(3, "198.51.100.201", "x", true, "2.30"));
  Tick(3);
  Button(dialog_.get(), "closeButton")->click();
  EXPECT_EQ(handOver_->overviewText(), "");
  EXPECT_FALSE(handOver_->anyRegistered());
  Open();
  const RouterEntry* scripted = context_->routers->NodeAt(3);
  ASSERT_NE(scripted, nullptr);
  EXPECT_EQ(scripted->overviewReceived, 0);
  EXPECT_EQ(scripted->channel1State, 0);
  EXPECT_EQ(scripted->channel1Name, "");
  Tick(3);
  EXPECT_NE(dialog_->reportText().find("Router 00-60-1a-10-00-40 does not respond.\r\n"),
            std::string::npos);
  // The report of the first opening is not repeated.
  EXPECT_EQ(dialog_->reportText().find("2.30"), std::string::npos);
}

TEST_F(RouterOverviewTest, EscapeBeforeTheEndDropsTheLaterAnswersAndEnd) {
  StartScan({OpenRouter("198.51.100.10", 1)});
  Open();
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  EXPECT_FALSE(dialog_->isVisible());
  Answer(kScripted, OverviewAnswerBytes(3, "198.51.100.201", "x", true, "2.30"));
  Tick(4);
  EXPECT_EQ(context_->routers->NodeAt(3)->overviewReceived, 0);
  EXPECT_EQ(handOver_->overviewText(), "");
  EXPECT_EQ(ShownText(), QStringLiteral("Scanning network - Please wait..."));
}

TEST_F(RouterOverviewTest, OverviewButtonRunsTheQueryInTheModalDialog) {
  StartScan({OpenRouter("198.51.100.10", 1)});
  QString before, after;
  bool closeBefore = true;
  WhenModalOpens([&](QDialog* dialog) {
    auto* text = dialog->findChild<QPlainTextEdit*>(QStringLiteral("overviewText"));
    before = text->toPlainText();
    closeBefore = Button(dialog, "closeButton")->isEnabled();
    Tick(3);
    after = text->toPlainText();
    Button(dialog, "closeButton")->click();
  });
  button("routerOverviewButton")->click();
  EXPECT_EQ(before, QStringLiteral("Scanning network - Please wait..."));
  EXPECT_FALSE(closeBefore);
  EXPECT_TRUE(
      after.startsWith(QStringLiteral("Host name:\t198.51.100.10\nFirmware:\t2.10 / DSS1\n")));
  EXPECT_TRUE(after.endsWith(QStringLiteral("Router 00-60-1a-10-00-40 does not respond.\n")));
}

TEST_F(RouterOverviewTest, WithoutAQueryCloseIsEnabledAtOnce) {
  RegisterWith({OpenRouter("198.51.100.10", 1)});
  Open();
  EXPECT_TRUE(SentByTool(command::kOverviewQuery).empty());
  EXPECT_TRUE(CloseEnabled());
}

}  // namespace
}  // namespace tarcfg::testing
