// SPDX-License-Identifier: GPL-3.0-or-later
// The Line Status dialog against an emulated router: what each report
// shows, which buttons it enables, connection and disconnection on the
// wire, and the end of monitoring on every way of closing.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>

#include "monitor/line_status_dialog.h"
#include "monitor/monitor_events.h"
#include "monitor/monitor_test_support.h"

namespace tarcfg::testing {
namespace {

const char* const kRouter = "198.51.100.10";

class LineStatusTest : public MonitorTest {
 protected:
  // Registered with a router holding two line targets; the dialog open
  // and the monitor's first report shown.
  void OpenDialog(LineTargetChooser chooser = nullptr) {
    RegisterWith({RouterWithTargets(kRouter, 1, 1)});
    if (!chooser)
      chooser = [this](QWidget*, const LineTargetList& targets) {
        ++chooserCalls_;
        chooserListSize_ = targets.count();
        return chooserAnswer_;
      };
    dialog_ = std::make_unique<LineStatusDialog>(*context_, handOver_, QString::fromLatin1(kRouter),
                                                 chooser, window_.get());
    dialog_->show();
    DeliverDatagrams();
  }
  QString V(const char* name) { return Value(dialog_.get(), name); }
  bool Enabled(const char* name) { return Button(dialog_.get(), name)->isEnabled(); }
  // "C12": Connect, Disconnect 1, Disconnect 2, upper case when enabled.
  std::string Buttons() {
    std::string states;
    states += Enabled("connectButton") ? 'C' : 'c';
    states += Enabled("disconnect1Button") ? '1' : '-';
    states += Enabled("disconnect2Button") ? '2' : '-';
    return states;
  }

  std::unique_ptr<LineStatusDialog> dialog_;
};

RawChannel Connected(std::uint16_t cause = 0) {
  RawChannel channel;
  channel.state = 3;
  channel.cause = cause;
  channel.remote = Ip("198.51.100.200");
  channel.phone = "0301234567";
  channel.duration = 75;
  channel.charge = 2;
  channel.packetsOut = 10;
  channel.packetsIn = 12;
  return channel;
}

TEST_F(LineStatusTest, OpeningSetsCaptionStartsMonitorAndShowsEmptyFields) {
  RegisterWith({RouterWithTargets(kRouter, 1, 1)});
  LineStatusDialog dialog(*context_, handOver_, QStringLiteral("198.51.100.10"), nullptr);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Line Status - Router 198.51.100.10"));
  EXPECT_EQ(SentByTool(command::kStartLineMonitor).size(), 1u);
  EXPECT_TRUE(context_->protocol->lineMonitorActive());
  EXPECT_TRUE(handOver_->IsRegistered(&dialog));
  // Before the first report: empty texts, zeros; the commands wait for the
  // start of the monitor to be acknowledged (one request at a time).
  for (const char* name : {"status1", "phone1", "address1", "status2", "phone2", "address2"})
    EXPECT_EQ(Value(&dialog, name), QString()) << name;
  for (const char* name : {"duration1", "charge1", "incoming1", "outgoing1", "duration2"})
    EXPECT_EQ(Value(&dialog, name), QStringLiteral("0")) << name;
  ASSERT_TRUE(context_->protocol->requestOutstanding());
  for (const char* name : {"connectButton", "disconnect1Button", "disconnect2Button"})
    EXPECT_FALSE(Button(&dialog, name)->isEnabled()) << name;
  EXPECT_TRUE(Button(&dialog, "connectButton")->isDefault());
  EXPECT_TRUE(dialog.findChild<StaticText*>(QStringLiteral("duration1"))->rightAligned());
  EXPECT_TRUE(dialog.findChild<StaticText*>(QStringLiteral("duration2"))->rightAligned());
  EXPECT_FALSE(dialog.findChild<StaticText*>(QStringLiteral("status1"))->rightAligned());
}

TEST_F(LineStatusTest, ChannelOneConnectedChannelTwoIdle) {
  OpenDialog();
  RawChannel idle;
  idle.cause = 0x1A;
  idle.phone = "0409999";  // not shown for an idle channel
  idle.duration = 5;
  idle.charge = 7;
  SendReport(Ip(kRouter), Connected(0xBEEF), idle);
  EXPECT_EQ(V("status1"), QStringLiteral("Connected (BEEF)"));
  EXPECT_EQ(V("phone1"), QStringLiteral("0301234567"));
  EXPECT_EQ(V("address1"), QStringLiteral("198.51.100.200"));
  EXPECT_EQ(V("duration1"), QStringLiteral("75"));
  EXPECT_EQ(V("charge1"), QStringLiteral("2"));
  EXPECT_EQ(V("incoming1"), QStringLiteral("12"));
  EXPECT_EQ(V("outgoing1"), QStringLiteral("10"));
  EXPECT_EQ(V("compression1"), QString());
  EXPECT_EQ(V("status2"), QStringLiteral("Not connected (001A)"));
  EXPECT_EQ(V("phone2"), QStringLiteral("---"));
  EXPECT_EQ(V("address2"), QStringLiteral("---"));
  for (const char* name : {"duration2", "charge2", "incoming2", "outgoing2"})
    EXPECT_EQ(V(name), QStringLiteral("0")) << name;
  EXPECT_EQ(Buttons(), "C1-");
}

TEST_F(LineStatusTest, BothConnectedDisablesConnect) {
  OpenDialog();
  SendReport(Ip(kRouter), Connected(), Connected());
  EXPECT_EQ(Buttons(), "c12");
  EXPECT_EQ(V("status2"), QStringLiteral("Connected (0000)"));
}

TEST_F(LineStatusTest, EstablishingAndClosingStatesShowTheirTextButNoDisconnect) {
  OpenDialog();
  RawChannel establishing = Connected();
  establishing.state = 2;
  RawChannel closing = Connected(0x3401);
  closing.state = 4;
  SendReport(Ip(kRouter), establishing, closing);
  EXPECT_EQ(V("status1"), QStringLiteral("Establishing connection (0000)"));
  EXPECT_EQ(V("phone1"), QStringLiteral("0301234567"));
  EXPECT_EQ(V("duration1"), QStringLiteral("75"));
  EXPECT_EQ(V("status2"), QStringLiteral("Closing connection (3401)"));
  // No channel is idle and none is connected.
  EXPECT_EQ(Buttons(), "c--");
}

TEST_F(LineStatusTest, StateNineIsShownAsNotConnected) {
  OpenDialog();
  RawChannel odd = Connected(0x0009);
  odd.state = 9;
  SendReport(Ip(kRouter), odd, Connected());
  EXPECT_EQ(V("status1"), QStringLiteral("Not connected (0009)"));
  EXPECT_EQ(V("phone1"), QStringLiteral("---"));
  EXPECT_EQ(V("address1"), QStringLiteral("---"));
  EXPECT_EQ(V("duration1"), QStringLiteral("0"));
  EXPECT_EQ(Buttons(), "C-2");
  // The dialog applies the rule itself too, whatever hands it the record.
  LineStatus status;
  status.channels[0].state = 9;
  status.channels[0].phoneNumber = "123";
  status.channels[0].duration = 4;
  status.channels[1].state = 3;
  dialog_->ShowLineStatus(status);
  EXPECT_EQ(V("status1"), QStringLiteral("Not connected (0000)"));
  EXPECT_EQ(V("phone1"), QStringLiteral("---"));
  EXPECT_EQ(V("duration1"), QStringLiteral("0"));
  EXPECT_EQ(Buttons(), "C-2");
}

TEST_F(LineStatusTest, EveryReportReplacesTheWholeDialog) {
  OpenDialog();
  SendReport(Ip(kRouter), Connected(), Connected());
  RawChannel later = Connected();
  later.duration = 76;
  SendReport(Ip(kRouter), later, RawChannel{});
  EXPECT_EQ(V("duration1"), QStringLiteral("76"));
  EXPECT_EQ(V("phone2"), QStringLiteral("---"));
  EXPECT_EQ(Buttons(), "C1-");
}

TEST_F(LineStatusTest, MessagesWithOtherWParamOrBufferAreIgnored) {
  OpenDialog();
  SendReport(Ip(kRouter), Connected(), RawChannel{});
  const LineStatus other;
  QCoreApplication::postEvent(dialog_.get(), new RouterMonitorEvent(1, &handOver_->lineStatus()));
  QCoreApplication::postEvent(dialog_.get(), new RouterMonitorEvent(0, &other));
  ProcessPosted();
  EXPECT_EQ(V("status1"), QStringLiteral("Connected (0000)"));
}

TEST_F(LineStatusTest, EmulatedRouterReportsEverySecond) {
  OpenDialog();
  EXPECT_EQ(V("status1"), QStringLiteral("Not connected (0000)"));
  EXPECT_EQ(V("status2"), QStringLiteral("Not connected (0000)"));
  EXPECT_EQ(Buttons(), "C--");
}

TEST_F(LineStatusTest, ConnectDialsTheChosenTargetAndDisconnectClearsIt) {
  OpenDialog();
  chooserAnswer_ = 1;
  Button(dialog_.get(), "connectButton")->click();
  EXPECT_EQ(chooserCalls_, 1);
  EXPECT_EQ(chooserListSize_, 2);
  ASSERT_EQ(Payloads(command::kConnect).size(), 1u);
  EXPECT_EQ(Payloads(command::kConnect)[0], (std::vector<std::uint8_t>{0, 0, 1}));
  Tick();
  EXPECT_EQ(SimRouter().channels[0].state, 3);
  EXPECT_EQ(V("status1"), QStringLiteral("Connected (0000)"));
  EXPECT_EQ(V("phone1"), QStringLiteral("04011"));
  EXPECT_EQ(V("address1"), QStringLiteral("198.51.100.201"));
  EXPECT_EQ(Buttons(), "C1-");

  Button(dialog_.get(), "disconnect1Button")->click();
  ASSERT_EQ(Payloads(command::kDisconnect).size(), 1u);
  EXPECT_EQ(Payloads(command::kDisconnect)[0], (std::vector<std::uint8_t>{0}));
  Tick();
  EXPECT_EQ(SimRouter().channels[0].state, 0);
  EXPECT_EQ(V("status1"), QStringLiteral("Not connected (0000)"));
  EXPECT_EQ(Buttons(), "C--");
  EXPECT_TRUE(messages_.shown.empty());
}

// A second request while the first is unanswered would fail (8999) and
// end the registration: the commands wait for the acknowledgement.
TEST_F(LineStatusTest, CommandsWaitWhileARequestIsOutstanding) {
  OpenDialog();
  ASSERT_EQ(Buttons(), "C--");
  chooserAnswer_ = 0;
  Button(dialog_.get(), "connectButton")->click();
  ASSERT_TRUE(context_->protocol->requestOutstanding());
  EXPECT_EQ(Buttons(), "c--");
  Button(dialog_.get(), "connectButton")->click();
  EXPECT_EQ(chooserCalls_, 1);
  EXPECT_EQ(SentByTool(command::kConnect).size(), 1u);
  Tick();  // acknowledged, and the next report shows the connection
  EXPECT_EQ(Buttons(), "C1-");

  Button(dialog_.get(), "disconnect1Button")->click();
  EXPECT_EQ(Buttons(), "c--");
  Button(dialog_.get(), "disconnect1Button")->click();
  Button(dialog_.get(), "connectButton")->click();
  EXPECT_EQ(SentByTool(command::kDisconnect).size(), 1u);
  EXPECT_EQ(chooserCalls_, 1);
  Tick();
  EXPECT_EQ(Buttons(), "C--");
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(window_->registered());
}

// A request that fails ends the registration, and the monitor closes.
TEST_F(LineStatusTest, FailedRequestClosesTheDialog) {
  OpenDialog();
  routers_.reset();  // the router falls silent
  chooserAnswer_ = 1;
  Button(dialog_.get(), "connectButton")->click();
  EXPECT_EQ(Buttons(), "c--");
  for (int i = 0; i < 60 && dialog_->isVisible(); ++i)
    Tick();
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_FALSE(handOver_->anyRegistered());
  EXPECT_FALSE(window_->registered());
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_TRUE(messages_.shown[0].text.startsWith("General network communication error!"));
}

TEST_F(LineStatusTest, DisconnectTwoClearsTheSecondChannel) {
  OpenDialog();
  chooserAnswer_ = 0;
  Button(dialog_.get(), "connectButton")->click();
  Tick();  // the acknowledgement and the next report free the commands
  Button(dialog_.get(), "connectButton")->click();
  Tick();
  EXPECT_EQ(Buttons(), "c12");
  Button(dialog_.get(), "disconnect2Button")->click();
  ASSERT_EQ(Payloads(command::kDisconnect).size(), 1u);
  EXPECT_EQ(Payloads(command::kDisconnect)[0], (std::vector<std::uint8_t>{1}));
  Tick();
  EXPECT_EQ(SimRouter().channels[1].state, 0);
  EXPECT_EQ(SimRouter().channels[0].state, 3);
  EXPECT_EQ(Buttons(), "C1-");
}

TEST_F(LineStatusTest, CancelledChoiceOrOkWithoutRowSendsNothing) {
  OpenDialog();
  chooserAnswer_ = std::nullopt;
  Button(dialog_.get(), "connectButton")->click();
  chooserAnswer_ = -1;
  Button(dialog_.get(), "connectButton")->click();
  EXPECT_EQ(chooserCalls_, 2);
  EXPECT_TRUE(SentByTool(command::kConnect).empty());
}

TEST_F(LineStatusTest, DefaultSetupConnectionListsTargetsAndEnablesOkOnSelection) {
  RegisterWith({RouterWithTargets(kRouter, 1, 1)});
  LineStatusDialog dialog(*context_, handOver_, QStringLiteral("198.51.100.10"), nullptr);
  dialog.show();
  DeliverDatagrams();
  QString caption;
  std::vector<QString> rows;
  bool okAtFirst = true;
  WhenModalOpens([&](QDialog* chooser) {
    caption = chooser->windowTitle();
    auto* list = chooser->findChild<QListWidget*>(QStringLiteral("lineTargetList"));
    auto* ok = chooser->findChild<QPushButton*>(QStringLiteral("okButton"));
    ASSERT_NE(list, nullptr);
    ASSERT_NE(ok, nullptr);
    for (int row = 0; row < list->count(); ++row)
      rows.push_back(list->item(row)->text());
    okAtFirst = ok->isEnabled();
    list->setCurrentRow(1);
    ok->click();
  });
  Button(&dialog, "connectButton")->click();
  EXPECT_EQ(caption, QStringLiteral("Setup Connection"));
  EXPECT_EQ(rows, (std::vector<QString>{QStringLiteral("1.\t198.51.100.200\t0301234567"),
                                        QStringLiteral("2.\t198.51.100.201\t04011")}));
  EXPECT_FALSE(okAtFirst);
  ASSERT_EQ(Payloads(command::kConnect).size(), 1u);
  EXPECT_EQ(Payloads(command::kConnect)[0], (std::vector<std::uint8_t>{0, 0, 1}));
}

TEST_F(LineStatusTest, DefaultSetupConnectionCancelSendsNothing) {
  RegisterWith({RouterWithTargets(kRouter, 1, 0)});
  LineStatusDialog dialog(*context_, handOver_, QStringLiteral("198.51.100.10"), nullptr);
  DeliverDatagrams();
  WhenModalOpens([](QDialog* chooser) {
    chooser->findChild<QListWidget*>(QStringLiteral("lineTargetList"))->setCurrentRow(0);
    chooser->reject();
  });
  Button(&dialog, "connectButton")->click();
  EXPECT_TRUE(SentByTool(command::kConnect).empty());
}

// Each way of closing stops the monitor once and drops later reports.
class LineStatusCloseTest : public LineStatusTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(LineStatusCloseTest, StopsMonitoringAndDropsLaterReports) {
  OpenDialog();
  SendReport(Ip(kRouter), Connected(), RawChannel{});
  const std::string how = GetParam();
  LineStatusDialog* dialog = dialog_.get();
  if (how == "close button")
    Button(dialog, "closeButton")->click();
  else if (how == "escape")
    QTest::keyClick(dialog, Qt::Key_Escape);
  else if (how == "window close")
    dialog->close();
  else
    dialog_.reset();
  ProcessPosted();
  EXPECT_EQ(SentByTool(command::kStopLineMonitor).size(), 1u);
  EXPECT_FALSE(context_->protocol->lineMonitorActive());
  EXPECT_FALSE(handOver_->anyRegistered());
  if (dialog_) {
    EXPECT_FALSE(dialog_->isVisible());
  }

  // A report after the close: the protocol has no monitor, the hand-over
  // no dialog, and nothing changes.
  SendReport(Ip(kRouter), RawChannel{}, Connected());
  handOver_->OnLineStatus(LineStatus{});
  ProcessPosted();
  if (dialog_) {
    EXPECT_EQ(V("status1"), QStringLiteral("Connected (0000)"));
    dialog_.reset();  // the destructor does not stop a second time
  }
  Tick(2);
  EXPECT_EQ(SentByTool(command::kStopLineMonitor).size(), 1u);
  EXPECT_TRUE(window_->registered());
  EXPECT_TRUE(messages_.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(EveryWay, LineStatusCloseTest,
                         ::testing::Values("close button", "escape", "window close", "destroyed"));

TEST_F(LineStatusTest, ConnectionsButtonOpensTheDialogForTheSelectedRouter) {
  RegisterWith({RouterWithTargets(kRouter, 1, 0)});
  QString caption, status;
  WhenModalOpens([&](QDialog* dialog) {
    caption = dialog->windowTitle();
    Tick();
    status = Value(dialog, "status1");
    Button(dialog, "closeButton")->click();
  });
  button("connectionsButton")->click();
  EXPECT_EQ(caption, QStringLiteral("Line Status - Router 198.51.100.10"));
  EXPECT_EQ(status, QStringLiteral("Not connected (0000)"));
  EXPECT_EQ(SentByTool(command::kStartLineMonitor).size(), 1u);
  EXPECT_EQ(SentByTool(command::kStopLineMonitor).size(), 1u);
  EXPECT_FALSE(context_->protocol->lineMonitorActive());
}

}  // namespace
}  // namespace tarcfg::testing
