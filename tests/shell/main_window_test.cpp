// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against emulated routers: what the scan puts in the list,
// which commands each state enables, and the menu commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <cerrno>
#include <cstring>

#include "config/string_table.h"
#include "shell/about_dialog.h"
#include "shell/field_exchange.h"
#include "shell/help_window.h"
#include "shell/shell_test_support.h"

namespace tarcfg::testing {
namespace {

const HardwareAddress kHardware1{0x00, 0x60, 0x1a, 0x10, 0x00, 0x01};
const HardwareAddress kHardware2{0x00, 0x60, 0x1a, 0x10, 0x00, 0x02};

using ScanTest = ShellTest;

TEST_F(ScanTest, ScanningLeavesListDisabledUntilTheScanEnds) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  EXPECT_FALSE(list()->isEnabled());
  EXPECT_EQ(EnabledStates(), "rdtlcaos");
  EXPECT_EQ(SentByTool(command::kScanQuery).size(), 1u);
  FinishScan();
  EXPECT_EQ(SentByTool(command::kScanQuery).size(), 3u);
  EXPECT_TRUE(list()->isEnabled());
}

TEST_F(ScanTest, AnswersBecomeLinesWithHardwareAddressFirstAndFirstLineSelected) {
  UseRouters({OpenRouter("198.51.100.10", 1), OpenRouter("198.51.100.11", 2)});
  StartWindow();
  FinishScan();
  ASSERT_EQ(ListLines().size(), 2u);
  EXPECT_EQ(ListLines()[0], QStringLiteral(" 00-60-1a-10-00-01\t198.51.100.10 "));
  EXPECT_EQ(ListLines()[1], QStringLiteral(" 00-60-1a-10-00-02\t198.51.100.11 "));
  ASSERT_TRUE(context_->routers.has_value());
  EXPECT_EQ(context_->routers->count(), 2);
  // The posted Space selected the first line.
  EXPECT_EQ(list()->currentRow(), 0);
  EXPECT_EQ(context_->selected.selectedIndex, 1);
  EXPECT_EQ(context_->selected.routerAddressText, "198.51.100.10");
  EXPECT_EQ(context_->selected.hardwareAddressText, "00-60-1a-10-00-01");
  EXPECT_EQ(context_->selected.hardwareAddress[5], 0x01);
  EXPECT_EQ(EnabledStates(), "RdtlcaOS");
  EXPECT_TRUE(button("registerButton")->isDefault());
}

TEST_F(ScanTest, RepeatedAnswersOfOneRouterGiveOneLineAndOneEntry) {
  // The emulated router answers each of the three queries.
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  SendScanAnswer(Ip("198.51.100.10"), Ip("198.51.100.10"), kHardware1, 0);
  FinishScan();
  EXPECT_EQ(ListLines().size(), 1u);
  EXPECT_EQ(context_->routers->count(), 1);
}

TEST_F(ScanTest, RouterHeldByAnotherHostIsInParenthesesAndSelectable) {
  auto held = OpenRouter("198.51.100.12", 3);
  held.owner = Ip("198.51.100.2");
  UseRouters({held});
  StartWindow();
  FinishScan();
  ASSERT_EQ(ListLines().size(), 1u);
  EXPECT_EQ(ListLines()[0], QStringLiteral("(00-60-1a-10-00-03\t198.51.100.12)"));
  EXPECT_EQ(context_->routers->NodeAt(1)->exclusiveToThisHost, 0);
  EXPECT_TRUE(button("registerButton")->isEnabled());
}

TEST_F(ScanTest, RouterHeldByThisHostIsPlainAndMarkedExclusive) {
  StartWindow();
  SendScanAnswer(Ip("198.51.100.10"), Ip("198.51.100.10"), kHardware1, kWorkstation);
  FinishScan();
  ASSERT_EQ(ListLines().size(), 1u);
  EXPECT_EQ(ListLines()[0], QStringLiteral(" 00-60-1a-10-00-01\t198.51.100.10 "));
  EXPECT_EQ(context_->routers->NodeAt(1)->exclusiveToThisHost, 1);
}

TEST_F(ScanTest, RouterWithoutAddressShowsDashes) {
  UseRouters({OpenRouter(nullptr, 4)});
  StartWindow();
  FinishScan();
  ASSERT_EQ(ListLines().size(), 1u);
  EXPECT_EQ(ListLines()[0], QStringLiteral(" 00-60-1a-10-00-04\t--------- "));
  EXPECT_EQ(context_->routers->NodeAt(1)->displayName, "---------");
}

TEST_F(ScanTest, NoAnswerShowsNoRouterLineAndKeepsEverythingDisabled) {
  StartWindow();
  FinishScan();
  EXPECT_EQ(ListLines(), std::vector<QString>{TableText(1016)});
  EXPECT_EQ(EnabledStates(), "rdtlcaos");
  EXPECT_FALSE(context_->routers->count() > 0);
}

TEST_F(ScanTest, LongHostNameIsKeptWholeAsTheRouterAddressText) {
  const std::string longName(120, 'r');
  database_.AddHost(longName + ".example", Ip("198.51.100.10"));
  context_->addresses.SetNameResolve(true);
  StartWindow();
  SendScanAnswer(Ip("198.51.100.10"), Ip("198.51.100.10"), kHardware1, 0);
  FinishScan();
  EXPECT_EQ(context_->selected.routerAddressText, longName + ".example");
}

TEST_F(ScanTest, UnboundPortShows40012WithTheErrorNumberAndItsText) {
  socket_->FailOpenWith(EADDRINUSE);
  StartWindow();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text,
            QStringLiteral("The required TCP/IP-port could not be bound (%1)!\n%2")
                .arg(EADDRINUSE)
                .arg(QString::fromLocal8Bit(std::strerror(EADDRINUSE))));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(EnabledStates(), "rdtlcaos");
  EXPECT_TRUE(network_.log().empty());
}

TEST_F(ScanTest, ListTabStopPutsNamesUnderTheNameHeader) {
  StartWindow();
  EXPECT_EQ(TabStopsOf(list()), std::vector<int>{76});
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Tarnex Router"));
}

using MenuTest = ShellTest;

TEST_F(MenuTest, SettingsShowsTheValuesInForce) {
  StartWindow();
  window_->findChild<QAction*>(QStringLiteral("settingsAction"))->trigger();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Information);
  EXPECT_EQ(messages_.shown[0].text,
            QStringLiteral("Configuration of the Graphical User Interface:\n\nHostname: "
                           "198.51.100.1\nNetmask: 255.255.255.0\nHostname Resolving: off\n"
                           "Firmware Path: ") +
                QString::fromStdString(directory_.string()));
}

TEST_F(MenuTest, ContentsOpensTheUserGuide) {
  StartWindow();
  window_->findChild<QAction*>(QStringLiteral("contentsAction"))->trigger();
  ASSERT_NE(window_->helpWindow(), nullptr);
  EXPECT_TRUE(window_->helpWindow()->isVisible());
  EXPECT_TRUE(window_->helpWindow()->toPlainText().contains(QStringLiteral("Registering")));
  EXPECT_TRUE(messages_.shown.empty());
  // Closing the main window closes the help window.
  window_->close();
  EXPECT_FALSE(window_->helpWindow() && window_->helpWindow()->isVisible());
}

TEST_F(MenuTest, MissingHelpPageShows61703) {
  StartWindow();
  window_->SetHelpPage(QUrl(QStringLiteral("qrc:/help/missing.html")));
  window_->findChild<QAction*>(QStringLiteral("contentsAction"))->trigger();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Failed to launch help."));
}

TEST_F(MenuTest, AboutBoxNamesProductAndVersion) {
  StartWindow();
  QString caption, product, version;
  WhenModalOpens([&](QDialog* dialog) {
    caption = dialog->windowTitle();
    product = dialog->findChild<QLabel*>(QStringLiteral("productName"))->text();
    version = dialog->findChild<QLabel*>(QStringLiteral("versionLine"))->text();
    dialog->accept();
  });
  window_->findChild<QAction*>(QStringLiteral("aboutAction"))->trigger();
  EXPECT_EQ(caption, QStringLiteral("About TARCFG"));
  EXPECT_EQ(product, QStringLiteral("Tarnex Router"));
  EXPECT_EQ(version, QStringLiteral("Configuration Software V1.4.5.0"));
}

TEST_F(MenuTest, DoubleClickOnThePictureOpensAboutBox) {
  StartWindow();
  bool opened = false;
  WhenModalOpens([&](QDialog* dialog) {
    opened = dialog->objectName() == QLatin1String("aboutDialog");
    dialog->accept();
  });
  QWidget* picture = window_->findChild<QWidget*>(QStringLiteral("pictureButton"));
  QTest::mouseDClick(picture, Qt::LeftButton);
  EXPECT_TRUE(opened);
}

// The real question box puts the default where the caller asks: Enter
// gives that answer.
TEST_F(MenuTest, EnterInAQuestionGivesItsDefaultAnswer) {
  QtMessageBoxes boxes;
  for (const Answer answer : {Answer::Yes, Answer::No}) {
    WhenModalOpens([](QDialog* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(boxes.AskYesNo(nullptr, QStringLiteral("Go on?"), MessageIcon::Question, answer),
              answer == Answer::Yes);
    // Escape is always No.
    WhenModalOpens([](QDialog* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_FALSE(boxes.AskYesNo(nullptr, QStringLiteral("Go on?"), MessageIcon::Question, answer));
  }
}

TEST_F(MenuTest, RouterOverviewOpensThePluggedInDialog) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  int opened = 0;
  StartWindow();
  window_->dialogs().routerDialogs[RouterDialog::RouterOverview] = [&](MainWindow&) { ++opened; };
  FinishScan();
  button("routerOverviewButton")->click();
  EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace tarcfg::testing
