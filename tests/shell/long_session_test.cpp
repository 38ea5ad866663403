// SPDX-License-Identifier: GPL-3.0-or-later
// The main window through a session as a user lives it, in one process:
// the scan painted from the first moment, registering again after
// deregistering, and leaving while a request is still on its way.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "shell/shell_test_support.h"

namespace tarcfg::testing {
namespace {

class LongSessionTest : public ShellTest {};

TEST_F(LongSessionTest, ScanningLineIsPaintedWhileTheScanRuns) {
  UseRouters({OpenRouter("198.51.100.10", 1), OpenRouter("198.51.100.11", 2)});
  StartWindow();
  Tick(2);
  // Answers have come in, but only the scanning line shows, and the list
  // keeps painting (no black rectangle for the whole scan).
  EXPECT_TRUE(list()->updatesEnabled());
  std::vector<QString> shown;
  for (int row = 0; row < list()->count(); ++row)
    if (!list()->item(row)->isHidden())
      shown.push_back(list()->item(row)->text());
  EXPECT_EQ(shown, std::vector<QString>{QStringLiteral("-- Scanning network for routers --")});
  const QImage picture = list()->grab().toImage();
  EXPECT_NE(picture.pixelColor(2, 2), QColor(Qt::black));

  FinishScan();
  ProcessPosted();
  EXPECT_EQ(ListLines(),
            (std::vector<QString>{QStringLiteral(" 00-60-1a-10-00-01\t198.51.100.10 "),
                                  QStringLiteral(" 00-60-1a-10-00-02\t198.51.100.11 ")}));
  EXPECT_TRUE(list()->isEnabled());
}

TEST_F(LongSessionTest, ScanWithoutAnswersShowsNoRouterLine) {
  UseRouters({});
  StartWindow();
  FinishScan();
  EXPECT_EQ(ListLines(), std::vector<QString>{QStringLiteral("-- No router in the network --")});
}

TEST_F(LongSessionTest, RegisteringAgainKeepsTheSelectedRoutersHardwareAddress) {
  UseRouters({OpenRouter("198.51.100.10", 1), OpenRouter("198.51.100.11", 2)});
  StartWindow();
  RegisterRow(1);
  ASSERT_TRUE(window_->registered());
  const HardwareAddress expected{0x00, 0x60, 0x1a, 0x10, 0x00, 0x02};
  EXPECT_EQ(context_->selected.hardwareAddress, expected);
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  ProcessPosted();
  ASSERT_FALSE(window_->registered());
  // Register again on the same line, without touching the selection.
  button("registerButton")->click();
  DeliverDatagrams();
  ProcessPosted();
  ASSERT_TRUE(window_->registered());
  EXPECT_EQ(context_->selected.hardwareAddress, expected);
  EXPECT_EQ(context_->selected.hardwareAddressText, "00-60-1a-10-00-02");
  EXPECT_EQ(context_->selected.current.name, "198.51.100.11");
}

TEST_F(LongSessionTest, ClosingTheWindowDuringAPasswordChangeDeregisters) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  RegisterRow(0);
  ASSERT_TRUE(window_->registered());
  window_->dialogs().editRouterParameters =
      [](MainWindow&, const RouterParameters& current) -> std::optional<RouterParameters> {
    RouterParameters changed = current;
    changed.password = "newpass";
    return changed;
  };
  // The router's acknowledgement and answer are on their way when the
  // user closes the window.
  network_.DropNextFrom(Ip("198.51.100.10"), 2);
  button("routerButton")->click();
  ASSERT_EQ(context_->protocol->state(), ProtocolState::Transferring);
  window_->close();
  // All of its repetitions at once: no tick follows the window's end.
  ASSERT_EQ(SentByTool(command::kDeregister).size(),
            static_cast<std::size_t>(kTiming.releaseSends));
  EXPECT_EQ(SentByTool(command::kDeregister)[0].to, Ip("198.51.100.10"));
  EXPECT_EQ(routers_->sim().routers()[0].session, 0u);
  EXPECT_EQ(context_->protocol->state(), ProtocolState::Idle);
  // Nothing of the cancelled request is repeated afterwards.
  const std::size_t changes = SentByTool(command::kChangePassword).size();
  Tick(15);
  EXPECT_EQ(SentByTool(command::kChangePassword).size(), changes);
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(LongSessionTest, ClosingTheWindowDuringATableWriteDeregisters) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  RegisterRow(0);
  ASSERT_TRUE(window_->registered());
  ASSERT_TRUE(context_->configuration.has_value());
  // A new route is being written when the window closes; the router's
  // acknowledgement and answer are still on their way.
  RouteList edited = context_->configuration->routes.Clone();
  RouteEntry route;
  route.netmask = "255.255.255.0";
  route.match = "198.51.102.0";
  route.gateway = "198.51.100.200";
  edited.Append(route);
  network_.DropNextFrom(Ip("198.51.100.10"), 2);
  context_->protocol->WriteRoutes(nullptr, edited, context_->configuration->routes);
  ASSERT_EQ(context_->protocol->state(), ProtocolState::Transferring);
  window_->close();
  EXPECT_EQ(SentByTool(command::kDeregister).size(),
            static_cast<std::size_t>(kTiming.releaseSends));
  EXPECT_EQ(routers_->sim().routers()[0].session, 0u);
  const std::size_t writes = SentByTool(command::kWriteTableEntry).size();
  Tick(15);
  EXPECT_EQ(SentByTool(command::kWriteTableEntry).size(), writes);
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(LongSessionTest, RouterRebootedWhileRegisteredEndsTheNextRequestAndCanBeRegisteredAgain) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  RegisterRow(0);
  ASSERT_TRUE(window_->registered());
  routers_->Reboot(0);
  Tick(3);  // the router is back, and has forgotten us
  // A parameter write now is taken in but never answered: the tool gives up
  // after a while instead of waiting for ever.
  window_->dialogs().editRouterParameters =
      [](MainWindow&, const RouterParameters& current) -> std::optional<RouterParameters> {
    RouterParameters changed = current;
    changed.phoneNumber = "0309999";
    return changed;
  };
  button("routerButton")->click();
  DeliverDatagrams();
  for (int tick = 0; tick < 30 && context_->protocol->state() != ProtocolState::Idle; ++tick)
    Tick();
  ProcessPosted();
  EXPECT_EQ(context_->protocol->state(), ProtocolState::Idle);
  EXPECT_EQ(MessageTexts(), std::vector<QString>{
                                QStringLiteral("General network communication error!\n(Error code: "
                                               "8888)")});
  EXPECT_FALSE(window_->registered());
  EXPECT_TRUE(button("registerButton")->isEnabled());

  // The router numbers from 1 again; registering and reading work.
  messages_.shown.clear();
  button("registerButton")->click();
  DeliverDatagrams();
  ProcessPosted();
  ASSERT_TRUE(window_->registered());
  ASSERT_TRUE(context_->configuration.has_value());
  EXPECT_EQ(context_->configuration->lineTargets.count(), 1);
  EXPECT_EQ(routers_->sim().routers()[0].session, kWorkstation);
  EXPECT_TRUE(messages_.shown.empty());
}

}  // namespace
}  // namespace tarcfg::testing
